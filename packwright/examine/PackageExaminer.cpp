#include "packwright/examine/PackageExaminer.h"

#include <filesystem>

#include "package/SizeTable.h"
#include "packwright/examine/LineDecoding.h"
#include "packwright/examine/OrderedDecoder.h"
#include "packwright/examine/PackageWalk.h"
#include "packwright/text/TextRendering.h"

namespace {
const char* FaultText(BlockFault fault) {
    switch (fault) {
        case BlockFault::StoredChecksum: return "its stored bytes fail their checksum";
        case BlockFault::Undecodable: return "its stored bytes match their checksum but cannot be decoded";
        case BlockFault::DecodedChecksum: return "it decodes to bytes that fail their checksum";
        case BlockFault::None: break;
    }
    return "";
}

// Applies the walk's events in order: what the installer holds, and what is wrong with it.
class Examination {
public:
    Examination(InstallerSession& s, ExaminedPackage& out, const ExamineCallbacks& callbacks, const ExamineOptions& options)
        : s_(s), out_(out), callbacks_(callbacks), options_(options) {}

    bool Apply(WalkEvent& e, DecodedBlock* decoded) {
        if (!e.span.what.empty()) out_.spans.push_back(e.span);
        switch (e.kind) {
            case WalkEvent::Kind::Notice:
                if (!options_.keepGoing) {
                    Stop(e.problem);
                    return false;
                }
                out_.problems.push_back(e.problem);
                return true;
            case WalkEvent::Kind::Fatal:
                Stop(aligned_ ? e.problem
                              : Problem{"after a damaged block the package could not be followed: " + e.problem.message,
                                        e.problem.at});
                return false;
            case WalkEvent::Kind::FileBegin: return BeginFile(e);
            case WalkEvent::Kind::Block: return Block(e, *decoded);
            case WalkEvent::Kind::FileEnd: return EndFile(e);
            case WalkEvent::Kind::FilesEnd:
                if (!e.problem.message.empty()) out_.problems.push_back(e.problem);
                out_.filesEnded = true;
                CheckHeaderCounts();
                return true;
            case WalkEvent::Kind::Sections: Sections(e.sections); return true;
            case WalkEvent::Kind::InstallLog: InstallLog(e); return true;
        }
        return true;
    }

    bool Stopped() const { return stopped_; }

private:
    ExaminedFile& Current() { return out_.files.back(); }

    void Stop(Problem p) {
        out_.problems.push_back(p);
        out_.stop = std::move(p);
        stopped_ = true;
        // A file that reading stopped inside of is given up.
        if (inFile_) {
            Current().intact = false;
            inFile_ = false;
            if (callbacks_.endFile) callbacks_.endFile(Current(), out_.files.size() - 1);
        }
    }

    bool BeginFile(WalkEvent& e) {
        out_.files.push_back(std::move(e.file));
        where_ = DescribeFile(out_.files.size() - 1, Current().name);
        inFile_ = true;
        aligned_ = true;
        lastLength_ = 0;
        shortBlocks_ = 0;
        if (Current().sharedFlag > 1)
            out_.problems.push_back({where_ + ": its shared flag is " + std::to_string(Current().sharedFlag) +
                                         ", not 0 or 1 (the installer takes it as shared) (" +
                                         s_.Describe(e.span.start) + ")",
                                     e.span.start});
        if (callbacks_.beginFile) callbacks_.beginFile(Current(), out_.files.size() - 1);
        return true;
    }

    bool Block(WalkEvent& e, DecodedBlock& d) {
        ExaminedFile& file = Current();
        ++file.blocksRead;
        ++out_.blocksRead;
        if (d.fault == BlockFault::None) {
            aligned_ = true;
            if (file.intact) {
                if (file.blocksRead > 1 && lastLength_ != BuiltBlockSize) ++shortBlocks_;
                lastLength_ = d.length;
                file.decodedSize += d.length;
                if (callbacks_.fileData) callbacks_.fileData(d.bytes.get(), d.length);
            }
        } else {
            Problem damage{e.span.what + " is damaged: " + FaultText(d.fault) + " (" + Where(e.span) + ")", e.span.start};
            if (d.fault == BlockFault::StoredChecksum && !aligned_) {
                Stop({"cannot read past " + e.span.what + ": after the damaged block before it, the block lengths no "
                                                          "longer line up (" + Where(e.span) + ")",
                      e.span.start});
                return false;
            }
            aligned_ = d.fault != BlockFault::StoredChecksum;
            file.intact = false;
            if (!options_.keepGoing) {
                Stop(damage);
                return false;
            }
            out_.problems.push_back(damage);
        }
        ++blocksDone_;
        if (callbacks_.progress) callbacks_.progress(blocksDone_, out_.header.TotalBlocks);
        return true;
    }

    bool EndFile(WalkEvent& e) {
        ExaminedFile& file = Current();
        if (!aligned_ && file.blocksRead != file.blockCount) {
            Stop({"cannot read past " + where_ + ": after its damaged block " + std::to_string(file.blocksRead) +
                      " the block lengths no longer line up (" + Where(e.span) + ")",
                  e.span.start});
            return false;
        }
        aligned_ = true;
        if (file.blocksRead != file.blockCount)
            out_.problems.push_back({where_ + ": its record announces " + std::to_string(file.blockCount) +
                                         " blocks but " + std::to_string(file.blocksRead) + " follow (" +
                                         Where(e.span) + ")",
                                     e.span.start});
        if (shortBlocks_)
            out_.problems.push_back({where_ + ": " + std::to_string(shortBlocks_) +
                                         " block(s) before the last hold fewer than " + std::to_string(BuiltBlockSize) +
                                         " bytes, which upsets the disk estimate",
                                     e.span.start});
        inFile_ = false;
        if (callbacks_.endFile) callbacks_.endFile(file, out_.files.size() - 1);
        return true;
    }

    void CheckHeaderCounts() {
        const ExaminedHeader& h = out_.header;
        u64 blocks = 0;
        bool allIntact = true;
        SizeTotals totals;
        for (const ExaminedFile& f : out_.files) {
            blocks += f.blocksRead;
            allIntact = allIntact && f.intact;
            totals.AddFile(f.decodedSize);
        }
        if (blocks != h.TotalBlocks)
            out_.problems.push_back({"the header's TotalBlocks is " + std::to_string(h.TotalBlocks) +
                                     " but the files hold " + std::to_string(blocks) + " blocks"});
        // The sizes of damaged files are unknown.
        for (int k = 0; allIntact && k < SizeTableEntries; ++k)
            if (totals.clusters[k] != h.SizeTable[k])
                out_.problems.push_back({"the header's size table gives " + std::to_string(h.SizeTable[k]) +
                                         " clusters of " + std::to_string(SizeTableClusterSize(k)) +
                                         " bytes but the files take " + std::to_string(totals.clusters[k])});
    }

    void Sections(SectionsRead& r) {
        out_.shortcuts = r.shortcuts;
        out_.shortcutStop = r.shortcutStop;
        out_.registry = r.registry;
        out_.runAfter = r.runAfter;
        out_.trailingBytes = r.trailingBytes;
        out_.spans.insert(out_.spans.end(), r.spans.begin(), r.spans.end());
        std::vector<Problem> found;
        for (std::size_t i = 0; i < r.shortcuts.size(); ++i)
            for (const std::string& p : DecodeShortcut(r.shortcuts[i]).problems)
                found.push_back(LineProblem("shortcut", i, r.shortcuts[i], p, r.shortcutAt[i]));
        std::vector<DecodedRegistryLine> registry = DecodeRegistrySection(r.registry);
        for (std::size_t i = 0; i < registry.size(); ++i)
            for (const std::string& p : registry[i].problems)
                found.push_back(LineProblem("registry", i, r.registry[i], p, r.registryAt[i]));
        found.insert(found.end(), r.problems.begin(), r.problems.end());
        std::stable_sort(found.begin(), found.end(), [](const Problem& a, const Problem& b) { return a.at < b.at; });
        out_.problems.insert(out_.problems.end(), found.begin(), found.end());
    }

    Problem LineProblem(const char* section, std::size_t index, const std::string& line, const std::string& problem,
                        StreamPosition at) const {
        return {std::string(section) + " line " + std::to_string(index + 1) + " " + QuoteForMessage(line) + ": " +
                    problem + " (" + s_.Describe(at) + ")",
                at};
    }

    void InstallLog(WalkEvent& e) {
        out_.logFiles = e.logFiles;
        out_.logRegistry = e.logGroups;
        std::vector<std::pair<std::string, std::vector<std::string>>> groups;
        for (const InstallLogGroup& g : e.logGroups) groups.push_back({g.keyLine, g.entries});
        for (const std::string& p : DecodeInstallLog(e.logFiles, groups).problems)
            out_.problems.push_back({p + " (" + s_.Describe(e.span.start) + " onwards)", e.span.start});
    }

    std::string Where(const Span& span) const {
        if (span.start.volume == span.end.volume) return s_.Describe(span.start);
        return s_.Describe(span.start) + " to " + s_.Describe(span.end) + "; it spans two volumes, and the damage may lie in either";
    }

    InstallerSession& s_;
    ExaminedPackage& out_;
    const ExamineCallbacks& callbacks_;
    const ExamineOptions& options_;
    bool stopped_ = false;
    bool inFile_ = false;
    bool aligned_ = true;  // the block lengths are known to line up
    std::string where_;
    u32 lastLength_ = 0;
    u64 shortBlocks_ = 0;
    u64 blocksDone_ = 0;
};

void AddVolumes(const InstallerSession& s, ExaminedPackage& out) {
    u32 read = std::max<u32>(s.VolumesRead(), 1);
    for (u32 k = 0; k < read; ++k) {
        std::string path = s.VolumePath(k);
        std::error_code ec;
        out.volumes.push_back(path);
        out.volumeSizes.push_back(std::filesystem::file_size(path, ec));
        StreamPosition field = {k, k == 0 ? out.packageOffset : 0};
        out.spans.push_back({field, {k, field.offset + 4}, "the size field of volume " + std::to_string(k)});
    }
    out.spans.insert(out.spans.begin(), Span{{0, 0}, {0, out.packageOffset}, "the Stub", false});
}
}  // namespace

const char* RunModeName(RunMode runMode) {
    switch (runMode) {
        case RunMode::Install: return "installer";
        case RunMode::Uninstall: return "uninstaller";
        case RunMode::Finalize: return "finalizer";
        default: return "unknown";
    }
}

void ExaminePackageInto(const std::string& path, ExaminedPackage& out, const ExamineCallbacks& callbacks,
                        const ExamineOptions& options) {
    InstallerSession session(path);
    out.path = session.ModulePath();
    out.packageOffset = session.PackageOffsetValue();
    Examination examination(session, out, callbacks, options);
    {
        OrderedDecoder decoder(options.jobs, [&](WalkEvent& e, DecodedBlock* d) { return examination.Apply(e, d); });
        WalkPackage(session, out, [&](WalkEvent&& e) { return decoder.Push(std::move(e)); });
        decoder.Finish();
    }
    if (out.headerRead && out.runMode != RunMode::Install && out.runMode != RunMode::Uninstall &&
        out.runMode != RunMode::Finalize)
        out.problems.push_back({"run mode " + std::to_string(RunModeValue(out.runMode)) + " is not one the builder makes"});
    out.complete = !examination.Stopped();
    AddVolumes(session, out);
    out.version = ReadStubVersionInfo(out.path, out.packageOffset);
}

ExaminedPackage ExaminePackage(const std::string& path, const ExamineCallbacks& callbacks, const ExamineOptions& options) {
    ExaminedPackage out;
    ExaminePackageInto(path, out, callbacks, options);
    return out;
}
