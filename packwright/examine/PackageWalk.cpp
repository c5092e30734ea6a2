#include "packwright/examine/PackageWalk.h"

#include "package/FileRecord.h"
#include "package/PackageHeader.h"
#include "package/ShortcutLine.h"
#include "packwright/text/TextRendering.h"

namespace {
std::string Copy(const char* text) { return text ? text : ""; }

// Frees the header's strings on every way out.
struct HeaderHolder {
    PackageHeader header;
    ~HeaderHolder() { ReleasePackageHeader(header); }
};

// The Stub reads every line as a C string: one that starts with a 0 byte reads as the empty
// line that ends its list.
bool EndsList(const std::string& line) { return line.empty() || line[0] == '\0'; }

class Walk {
public:
    Walk(InstallerSession& s, ExaminedPackage& out, const WalkSink& sink) : s_(s), out_(out), sink_(sink) {}

    void Run() {
        try {
            if (!Notices() || !Header()) return;
            if (out_.runMode == RunMode::Install) {
                if (Files()) Sections();
            } else if (out_.runMode == RunMode::Uninstall) {
                InstallLog();
            }
        } catch (const PackageReadError& e) {
            if (Notices()) Emit(Fatal({e.what(), e.at}));
        }
    }

private:
    static WalkEvent Fatal(Problem p) {
        WalkEvent e{WalkEvent::Kind::Fatal};
        e.problem = std::move(p);
        return e;
    }

    bool Emit(WalkEvent&& e) { return sink_(std::move(e)); }

    bool Notices() {
        for (Problem& p : s_.TakeNotices()) {
            WalkEvent e{WalkEvent::Kind::Notice};
            e.problem = std::move(p);
            if (!Emit(std::move(e))) return false;
        }
        return true;
    }

    Span SpanFrom(StreamPosition start, std::string what, bool checksummed = false) const {
        return {start, s_.Position(), std::move(what), checksummed};
    }

    bool Header() {
        const std::string context = "reading the package header";
        StreamPosition start = s_.Position();
        HeaderHolder held;
        PackageHeader& h = held.header;
        HeaderStatus status = ReadPackageHeader(s_.Reader(), h);
        s_.ThrowIfFailed(context, start);
        out_.runMode = h.Mode;
        out_.spans.push_back(SpanFrom(start, out_.runMode == RunMode::Install ? "the mode byte and the install header block"
                                                                             : "the mode byte and the companion header",
                                      out_.runMode == RunMode::Install));
        std::string where = " (" + s_.Describe(start) + ")";
        switch (status) {
            case HeaderStatus::Read: break;
            case HeaderStatus::Unreadable: throw PackageReadError(context + ": the package cannot be read" + where, start);
            case HeaderStatus::Damaged:
                Emit(Fatal({"the install header block is damaged: it fails its checksums or cannot be decoded" + where, start}));
                return false;
            case HeaderStatus::TooShort:
                Emit(Fatal({"the install header block is too short for its fields" + where, start}));
                return false;
        }
        ExaminedHeader& i = out_.header;
        i.ProductTitle = Copy(h.ProductTitle);
        i.FooterText = Copy(h.FooterText);
        i.UninstallName = Copy(h.UninstallName);
        i.ProgramDir = Copy(h.ProgramDir);
        i.ShortcutFolder = Copy(h.ShortcutFolder);
        i.ProgramDirFixed = h.ProgramDirFixed;
        i.PasswordChecksum = h.PasswordChecksum;
        for (std::size_t k = 0; k < i.SizeTable.size(); ++k) i.SizeTable[k] = h.SizeTable[k];
        i.TotalBlocks = h.TotalBlocks;
        if (h.LicenceText) i.LicenceText = h.LicenceText;
        out_.headerRead = true;
        if (out_.runMode == RunMode::Install) ++out_.blocksRead;
        return Notices();
    }

    // False when the walk ends inside the file section.
    bool Files() {
        for (std::size_t index = 0;; ++index) {
            StreamPosition start = s_.Position();
            std::string name = s_.ReadCountedString("reading the name of file " + std::to_string(index + 1));
            if (EndsList(name)) {
                WalkEvent end{WalkEvent::Kind::FilesEnd};
                end.span = SpanFrom(start, "the end of the file section");
                if (!name.empty())
                    end.problem = {"the name of file " + std::to_string(index + 1) +
                                       " starts with a 0 byte: the installer reads it as the end of the file section (" +
                                       s_.Describe(start) + ")",
                                   start};
                return Notices() && Emit(std::move(end));
            }
            std::string where = DescribeFile(index, name);
            u8 fixed[FileRecordFixedSize];
            s_.ReadBytes(fixed, sizeof fixed, "reading the record of " + where);
            FileRecord record;
            ParseFileRecord(fixed, &record);
            WalkEvent begin{WalkEvent::Kind::FileBegin};
            ExaminedFile& file = begin.file;
            file.name = name;
            file.blockCount = record.BlockCount;
            for (int i = 0; i < 4; ++i) file.version[i] = record.Version[i];
            file.time = record.Time;
            file.sharedFlag = fixed[FileRecordFixedSize - 1];
            file.shared = record.Shared;
            begin.span = SpanFrom(start, where + ": its name and record fields");
            if (!Notices() || !Emit(std::move(begin)) || !Blocks(where, record.BlockCount)) return false;
        }
    }

    bool Blocks(const std::string& where, u32 blockCount) {
        for (u32 k = 1;; ++k) {
            StreamPosition start = s_.Position();
            std::string what = where + ", block " + std::to_string(k) + " of " + std::to_string(blockCount);
            WalkEvent e{WalkEvent::Kind::Block};
            e.buffer.reset(new u8[DecodeCapacity]);
            BlockStatus status = ReadStoredBlock(s_.Reader(), e.buffer.get(), DecodeCapacity, &e.block);
            s_.ThrowIfFailed(what, start);
            if (status != BlockStatus::Sound)
                throw PackageReadError(what + ": the package cannot be read (" + s_.Describe(start) + ")", start);
            if (!Notices()) return false;
            if (e.block.storedLength == 0) {
                WalkEvent end{WalkEvent::Kind::FileEnd};
                end.span = SpanFrom(start, where + ": the end marker of its blocks");
                return Emit(std::move(end));
            }
            e.span = SpanFrom(start, what, true);
            if (!Emit(std::move(e))) return false;
        }
    }

    // One list of lines: every line read goes to lines (and its start to starts), until the
    // empty one or, where given, the one `ends` says stops the list.
    template <typename Ends>
    void Lines(const std::string& what, std::vector<std::string>& lines, std::vector<StreamPosition>& starts,
               SectionsRead& r, Ends ends) {
        for (;;) {
            StreamPosition start = s_.Position();
            std::string label = what + " line " + std::to_string(lines.size() + 1);
            std::string line = s_.ReadCountedString("reading " + label);
            if (EndsList(line)) {
                r.spans.push_back(SpanFrom(start, "the end of the " + what + " section"));
                if (!line.empty())
                    r.problems.push_back({label + " starts with a 0 byte: the installer reads it as the end of the " +
                                              what + " section (" + s_.Describe(start) + ")",
                                          start});
                return;
            }
            r.spans.push_back(SpanFrom(start, label));
            if (ends(line)) return;
            lines.push_back(line);
            starts.push_back(start);
        }
    }

    void Sections() {
        SectionsRead r;
        try {
            Lines("shortcut", r.shortcuts, r.shortcutAt, r, [&](const std::string& line) {
                ShortcutParts parts;
                if (SplitShortcutLine(line.c_str(), &parts)) return false;
                r.shortcutStop = line;
                r.problems.push_back({"shortcut line " + std::to_string(r.shortcuts.size() + 1) + " " +
                                          QuoteForMessage(line) +
                                          " has no '=': the installer ends the shortcut section there and reads "
                                          "what follows as registry lines (" +
                                          s_.Describe(r.spans.back().start) + ")",
                                      r.spans.back().start});
                return true;
            });
            Lines("registry", r.registry, r.registryAt, r, [](const std::string&) { return false; });
            StreamPosition start = s_.Position();
            r.runAfter = s_.ReadCountedString("reading the run-after command");
            r.spans.push_back(SpanFrom(start, "the run-after command"));
            r.trailingBytes = s_.OnlyTableAlignmentLeft() ? 0 : s_.BytesLeftInVolume();
            if (r.trailingBytes) {
                StreamPosition end = s_.Position();
                r.problems.push_back({std::to_string(r.trailingBytes) +
                                          " bytes follow the run-after command, where the package ends; the "
                                          "installer never reads them (" +
                                          s_.Describe(end) + ")",
                                      end});
                r.spans.push_back({end, {end.volume, end.offset + r.trailingBytes}, "bytes after the end of the package"});
            }
        } catch (const PackageReadError&) {
            WalkEvent partial{WalkEvent::Kind::Sections};
            partial.sections = std::move(r);
            Emit(std::move(partial));
            throw;
        }
        WalkEvent e{WalkEvent::Kind::Sections};
        e.sections = std::move(r);
        Emit(std::move(e));
    }

    void InstallLog() {
        WalkEvent e{WalkEvent::Kind::InstallLog};
        StreamPosition start = s_.Position();
        const std::string context = "reading the install log";
        try {
            for (;;) {
                std::string line = s_.ReadCountedString(context);
                if (EndsList(line)) break;
                e.logFiles.push_back(line);
            }
            for (;;) {
                std::string key = s_.ReadCountedString(context);
                if (EndsList(key)) break;
                InstallLogGroup group{key, {}};
                for (;;) {
                    std::string entry = s_.ReadCountedString(context);
                    if (EndsList(entry)) break;
                    group.entries.push_back(entry);
                }
                e.logGroups.push_back(std::move(group));
            }
        } catch (const PackageReadError&) {
            e.span = SpanFrom(start, "the install log");
            Emit(std::move(e));
            throw;
        }
        e.span = SpanFrom(start, "the install log");
        Emit(std::move(e));
    }

    InstallerSession& s_;
    ExaminedPackage& out_;
    const WalkSink& sink_;
};
}  // namespace

void WalkPackage(InstallerSession& session, ExaminedPackage& out, const WalkSink& sink) { Walk(session, out, sink).Run(); }
