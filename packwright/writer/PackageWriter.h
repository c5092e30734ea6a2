// Writes the logical Package stream (everything after volume 0's ExpectedSize) to a sink,
// one file block at a time: file contents are never held whole in memory.
#pragma once
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "packwright/parallel/WorkerPool.h"
#include "packwright/writer/ByteSink.h"
#include "packwright/writer/PackageModel.h"

struct WriterOptions {
    unsigned threads = 1;  // blocks encoded at the same time
    // Called after each file block is written: blocks so far and TotalBlocks.
    std::function<void(u64 done, u64 total)> progress;
};

// The install stream in its fixed order: header, files, shortcuts, registry, run-after.
// Each call checks the format's limits and throws WriterError; calls out of order are a
// programming error and throw too.
class InstallStreamWriter {
public:
    explicit InstallStreamWriter(ByteSink& sink, WriterOptions options = {});
    ~InstallStreamWriter();
    InstallStreamWriter(const InstallStreamWriter&) = delete;
    InstallStreamWriter& operator=(const InstallStreamWriter&) = delete;

    // RunMode 0 and the header block. fileSizes lists every file to come, in order:
    // TotalBlocks and the SizeTable are computed from them.
    void WriteHeader(const InstallHeaderFields& header, const std::vector<u64>& fileSizes);
    // One FileRecord: its fields, then exactly `size` bytes of data in pieces of any size.
    void BeginFile(const FileRecordFields& record, u64 size);
    void AddFileData(const u8* data, std::size_t length);
    void EndFile();
    void EndFiles();
    void AddShortcut(const std::string& line);
    void EndShortcuts();
    void AddRegistryLine(const std::string& line);
    void EndRegistry();
    // The last item of the stream; everything is written when it returns.
    void WriteRunAfter(const std::string& command);
    // Everything after the file section in one call: the shortcut and registry sections,
    // each with its end, then the run-after command.
    void WriteSectionsAfterFiles(const std::vector<std::string>& shortcuts,
                                 const std::vector<std::string>& registry, const std::string& runAfter);

private:
    enum class Stage { Header, Files, InFile, Shortcuts, Registry, RunAfter, Done };
    void Expect(Stage stage, const char* call) const;
    void EncodeChunk();
    void Emit(ByteVector bytes);
    void Drain(std::size_t keep);

    struct Pending {
        ByteVector ready;
        std::future<ByteVector> encoding;
        bool isBlock = false;
    };

    static constexpr unsigned QueuedBlocksPerThread = 3;

    ByteSink& sink_;
    WriterOptions options_;
    std::unique_ptr<WorkerPool> pool_;  // with more than one thread
    Stage stage_ = Stage::Header;
    std::vector<u64> sizes_;
    std::size_t fileIndex_ = 0;
    std::string fileName_;
    u64 fileSize_ = 0;
    u64 fileWritten_ = 0;
    u32 fileBlock_ = 0;
    ByteVector chunk_;
    std::deque<Pending> pending_;
    std::size_t pendingBlocks_ = 0;
    u64 blocksDone_ = 0;
    u64 totalBlocks_ = 0;
};

// A whole install Package, file contents from memory or from their source paths.
void WriteInstallPackage(const InstallPackage& package, ByteSink& sink, const WriterOptions& options = {});

// The Package of a companion program: RunMode, three CountedStrings, the log records.
void WriteCompanionPackage(const CompanionPackage& package, ByteSink& sink);

// The bytes of the install header block's payload (before encoding).
ByteVector InstallHeaderPayload(const InstallHeaderFields& header, const std::vector<u64>& fileSizes);
