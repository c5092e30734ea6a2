#include "packwright/builder/PlanFiles.h"

#include <fmt/format.h>
#include <sys/stat.h>

#include <map>

#include "package/SizeTable.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/PackageLines.h"
#include "packwright/builder/PlanChecks.h"
#include "packwright/builder/SourceFiles.h"
#include "packwright/writer/PackageLimits.h"

namespace {
constexpr u64 CountLimit = 1ull << 32;
}  // namespace

void PlanFiles(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    std::map<std::string, std::string> targets;  // lower-cased target -> field that claimed it
    for (const ManifestFileEntry& e : m.files) {
        std::string field = fmt::format("file[{}]", e.index);
        if (e.source.empty()) {
            d.Error(e.LineOf("source"), field + ".source", "must not be empty");
            continue;
        }
        std::string target = Backslashes(e.target);
        if (target.empty()) {
            d.Error(e.LineOf("target"), field + ".target", "must not be empty");
            continue;
        }
        CheckInstalledPath(d, e.LineOf("target"), field + ".target", target);
        CheckNoChar(d, e.LineOf("target"), field + ".target", target, '\t', "must not contain a TAB character");
        if (m.ProgramDir.empty() && UsesMacro(target, "{OurProgramDir}"))
            d.Error(e.LineOf("target"), field + ".target", "uses {OurProgramDir} but program_dir is empty");
        bool glob = IsGlobPattern(e.source);
        // '{OurProgramDir}' alone can only mean the folder: a file cannot replace it.
        bool asFolder = glob || target.back() == '\\' || IsBareMacro(target);
        std::vector<std::string> unreadable;
        std::vector<SourceMatch> matches = FindSourceFiles(m.directory, e.source, &unreadable);
        for (const std::string& folder : unreadable)
            d.Error(e.LineOf("source"), field + ".source", fmt::format("cannot read the folder {}", folder));
        if (!unreadable.empty()) continue;
        if (matches.empty()) {
            d.Error(e.LineOf("source"), field + ".source",
                    glob ? fmt::format("'{}' matches no file", e.source)
                         : fmt::format("'{}' is not a readable file", e.source));
            continue;
        }
        for (const SourceMatch& match : matches) {
            PlannedFile f;
            f.source = match.path;
            SourceMatch named = match;
            ToAnsi(d, e.LineOf("source"), field + ".source", named.relative);
            f.target = TargetPathFor(target, named, asFolder);
            f.shared = e.shared;
            f.line = e.LineOf("source");
            f.field = field + ".source";
            CheckText(d, e.LineOf("target"), field + ".target", f.target);
            auto [it, fresh] = targets.emplace(Lower(f.target), field);
            if (!fresh)
                d.Error(e.LineOf("target"), field + ".target",
                        fmt::format("'{}' is also installed by {}", Printable(f.target), it->second));
            struct stat st;
            if (::stat(f.source.c_str(), &st) != 0) {
                d.Error(e.LineOf("source"), field + ".source", fmt::format("cannot read '{}'", f.source));
                continue;
            }
            f.size = static_cast<u64>(st.st_size);
            f.time = FileTimeFromUnix(st.st_mtim.tv_sec, static_cast<u32>(st.st_mtim.tv_nsec));
            u64 blocks = BlocksForSize(f.size);
            if (blocks > BlockCountLimit) {
                d.Error(e.LineOf("source"), field + ".source",
                        fmt::format("'{}' is {} bytes: {} blocks of 65000 bytes, more than the 65535 a file may have",
                                    f.source, f.size, blocks));
                continue;
            }
            f.blocks = static_cast<u32>(blocks);
            f.version = ReadPeFileVersionOf(f.source);
            plan.files.push_back(std::move(f));
        }
    }
}

void PlanTotals(Diagnostics& d, InstallPlan& plan) {
    SizeTotals totals;
    for (const PlannedFile& f : plan.files) totals.AddFile(f.size);
    plan.totalBytes = totals.bytes;
    // The header counts clusters and blocks in 32 bits; the installer multiplies them out in
    // 64 bits, so only the counts themselves must fit (2 TiB in 512-byte clusters).
    for (int k = 0; k < SizeTableEntries; ++k) {
        if (totals.clusters[k] >= CountLimit) {
            d.Error(0, "file",
                    fmt::format("the files occupy {} clusters of {} bytes; the installer's size table counts fewer "
                                "than 2^32",
                                totals.clusters[k], SizeTableClusterSize(k)));
            return;
        }
        plan.sizeTable[k] = static_cast<u32>(totals.clusters[k]);
    }
    if (totals.blocks >= CountLimit) {
        d.Error(0, "file", fmt::format("{} blocks exceed the 2^32 - 1 the installer can count", totals.blocks));
        return;
    }
    plan.totalBlocks = static_cast<u32>(totals.blocks);
}
