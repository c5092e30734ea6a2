// Reads an installer's stream in order, strictly as the Stub does, and hands each part on as
// an event: nothing is judged here, so the same events come out whether the blocks are then
// decoded on one thread or many. A read that fails ends the walk with a Fatal event.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/DataBlock.h"
#include "packwright/examine/ExaminedPackage.h"
#include "packwright/examine/InstallerSession.h"
#include "packwright/text/TextRendering.h"

// The sections after the files as read, with their spans; possibly cut short by a Fatal.
struct SectionsRead {
    std::vector<std::string> shortcuts;
    std::vector<StreamPosition> shortcutAt;  // where each line starts
    std::optional<std::string> shortcutStop;
    std::vector<std::string> registry;
    std::vector<StreamPosition> registryAt;
    std::optional<std::string> runAfter;
    u64 trailingBytes = 0;
    std::vector<Span> spans;
    std::vector<Problem> problems;  // lines that start with a 0 byte, bytes after the end
};

struct WalkEvent {
    enum class Kind {
        Notice,     // problem: a volume read past its recorded size
        Fatal,      // problem: reading cannot go on
        FileBegin,  // file, span: its name and fixed fields
        Block,      // block, buffer, span
        FileEnd,    // span: the end marker
        FilesEnd,   // span: the empty name that ends the section (problem: when it was not quite empty)
        Sections,   // sections
        InstallLog, // logFiles, logGroups, span
    } kind;
    Problem problem = {};
    Span span = {};
    ExaminedFile file = {};
    StoredBlock block = {};
    std::unique_ptr<u8[]> buffer = nullptr;  // the stored bytes
    SectionsRead sections = {};
    std::vector<std::string> logFiles = {};
    std::vector<InstallLogGroup> logGroups = {};
};

// Receives each event in stream order; false to stop the walk.
using WalkSink = std::function<bool(WalkEvent&&)>;

// Reads the mode byte and the header into out (their problems included), then walks the rest.
// Header problems that leave nothing to walk end it with a Fatal event too.
void WalkPackage(InstallerSession& session, ExaminedPackage& out, const WalkSink& sink);
