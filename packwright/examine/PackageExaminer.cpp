#include "packwright/examine/PackageExaminer.h"

#include <memory>

#include "package/DataBlock.h"
#include "package/FileRecord.h"
#include "package/PackageHeader.h"
#include "package/RegistryLine.h"
#include "package/ShortcutLine.h"
#include "package/SizeTable.h"
#include "packwright/examine/Escape.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/InstallerSession.h"
#include "packwright/writer/PackageLimits.h"

namespace {
std::string Copy(const char* text) { return text ? text : ""; }

// Frees the header's strings on every way out.
struct HeaderHolder {
    PackageHeader header;
    ~HeaderHolder() { ReleasePackageHeader(header); }
};

void ReadHeader(InstallerSession& session, InspectedPackage& out) {
    const std::string context = "reading the package header";
    HeaderHolder held;
    PackageHeader& h = held.header;
    HeaderStatus status = ReadPackageHeader(session.Reader(), h);
    session.ThrowIfFailed(context);
    out.runMode = h.Mode;
    switch (status) {
        case HeaderStatus::Read: break;
        case HeaderStatus::Unreadable: throw ExamineError(context + ": the package cannot be read");
        case HeaderStatus::Damaged:
            throw ExamineError("the install header block is damaged: it fails its checksums or cannot be decoded");
        case HeaderStatus::TooShort: throw ExamineError("the install header block is too short for its fields");
    }
    InspectedHeader& i = out.header;
    i.ProductTitle = Copy(h.ProductTitle);
    i.FooterText = Copy(h.FooterText);
    i.UninstallName = Copy(h.UninstallName);
    i.ProgramDir = Copy(h.ProgramDir);
    i.ShortcutFolder = Copy(h.ShortcutFolder);
    i.ProgramDirFixed = h.ProgramDirFixed;
    i.PasswordChecksum = h.PasswordChecksum;
    for (int k = 0; k < SizeTableEntries; ++k) i.SizeTable[k] = h.SizeTable[k];
    i.TotalBlocks = h.TotalBlocks;
    if (h.LicenceText) i.LicenceText = h.LicenceText;
}

void ReadFiles(InstallerSession& session, InspectedPackage& out, const InspectCallbacks& callbacks) {
    std::unique_ptr<u8[]> buffer(new u8[DecodeCapacity]);
    u64 blocksDone = 0;
    const u64 totalBlocks = out.header.TotalBlocks;
    for (std::size_t index = 0;; ++index) {
        std::string where = "file " + std::to_string(index + 1);
        InspectedFile file;
        file.name = session.ReadCountedString("reading the name of " + where);
        if (file.name.empty()) break;
        where = DescribeFile(index, file.name);
        u8 fixed[FileRecordFixedSize];
        session.ReadBytes(fixed, sizeof fixed, "reading the record of " + where);
        FileRecord record;
        ParseFileRecord(fixed, &record);
        file.blockCount = record.BlockCount;
        for (int i = 0; i < 4; ++i) file.version[i] = record.Version[i];
        file.time = record.Time;
        file.shared = record.Shared;
        if (callbacks.beginFile) callbacks.beginFile(file, index);

        u64 shortBlocks = 0;  // blocks before the last that hold less than a full block
        u32 lastLength = 0;
        for (;;) {
            std::string block = where + ", block " + std::to_string(file.blocksRead + 1) + " of " +
                                std::to_string(file.blockCount);
            std::string position = session.Position();
            u32 length = 0;
            BlockStatus status = ReadDataBlock(session.Reader(), buffer.get(), &length, DecodeCapacity);
            session.ThrowIfFailed(block);
            if (status == BlockStatus::Unreadable) throw ExamineError(block + ": the package cannot be read");
            if (status == BlockStatus::Damaged)
                throw ExamineError(block + " is damaged: it fails its checksums or cannot be decoded (" + position + ")");
            if (length == 0) break;
            if (file.blocksRead > 0 && lastLength != BuiltBlockSize) ++shortBlocks;
            lastLength = length;
            ++file.blocksRead;
            file.decodedSize += length;
            if (callbacks.fileData) callbacks.fileData(buffer.get(), length);
            ++blocksDone;
            if (callbacks.progress) callbacks.progress(blocksDone, totalBlocks);
        }
        if (file.blocksRead != file.blockCount)
            out.problems.push_back(where + ": its record announces " + std::to_string(file.blockCount) +
                                   " blocks but " + std::to_string(file.blocksRead) + " follow");
        if (shortBlocks)
            out.problems.push_back(where + ": " + std::to_string(shortBlocks) + " block(s) before the last hold fewer than " +
                                   std::to_string(BuiltBlockSize) + " bytes, which upsets the disk estimate");
        if (callbacks.endFile) callbacks.endFile(file, index);
        out.files.push_back(std::move(file));
    }
}

void CheckHeaderCounts(InspectedPackage& out) {
    SizeTotals totals;
    for (const InspectedFile& f : out.files) totals.AddFile(f.decodedSize);
    u64 blocks = 0;
    for (const InspectedFile& f : out.files) blocks += f.blocksRead;
    if (blocks != out.header.TotalBlocks)
        out.problems.push_back("the header's TotalBlocks is " + std::to_string(out.header.TotalBlocks) +
                               " but the files hold " + std::to_string(blocks) + " blocks");
    for (int k = 0; k < SizeTableEntries; ++k) {
        if (totals.clusters[k] != out.header.SizeTable[k])
            out.problems.push_back("the header's size table gives " + std::to_string(out.header.SizeTable[k]) +
                                   " clusters of " + std::to_string(SizeTableClusterSize(k)) +
                                   " bytes but the files take " + std::to_string(totals.clusters[k]));
    }
}

void ReadSections(InstallerSession& session, InspectedPackage& out) {
    for (;;) {
        std::string line = session.ReadCountedString("reading shortcut line " + std::to_string(out.shortcuts.size() + 1));
        if (line.empty()) break;
        ShortcutParts parts;
        if (!SplitShortcutLine(line.c_str(), &parts)) {
            out.shortcutStop = line;
            break;
        }
        out.shortcuts.push_back(line);
    }
    for (;;) {
        std::string line = session.ReadCountedString("reading registry line " + std::to_string(out.registry.size() + 1));
        if (line.empty()) break;
        std::string problem = RegistryLineProblem(line);
        if (!problem.empty())
            out.problems.push_back("registry line " + std::to_string(out.registry.size() + 1) + " " +
                                   QuoteForMessage(line) + ": " + problem);
        out.registry.push_back(line);
    }
    out.runAfter = session.ReadCountedString("reading the run-after command");
}

void ReadInstallLog(InstallerSession& session, InspectedPackage& out) {
    const std::string context = "reading the install log";
    for (;;) {
        std::string record = session.ReadCountedString(context);
        if (record.empty()) break;
        out.logFiles.push_back(record);
    }
    for (;;) {
        std::string key = session.ReadCountedString(context);
        if (key.empty()) break;
        InstallLogGroup group{key, {}};
        for (;;) {
            std::string entry = session.ReadCountedString(context);
            if (entry.empty()) break;
            group.entries.push_back(entry);
        }
        out.logRegistry.push_back(std::move(group));
    }
}
}  // namespace

std::string DescribeFile(std::size_t index, const std::string& name) {
    return "file " + std::to_string(index + 1) + " " + QuoteForMessage(name);
}

const char* RunModeName(RunMode runMode) {
    switch (runMode) {
        case RunMode::Install: return "install";
        case RunMode::Uninstall: return "uninstall";
        case RunMode::Finalize: return "finalize";
        default: return "unknown";
    }
}

void InspectPackageInto(const std::string& path, InspectedPackage& out, const InspectCallbacks& callbacks) {
    InstallerSession session(path);
    out.path = session.ModulePath();
    out.packageOffset = session.PackageOffsetValue();
    ReadHeader(session, out);
    out.headerRead = true;
    if (out.runMode == RunMode::Install) {
        ReadFiles(session, out, callbacks);
        CheckHeaderCounts(out);
        ReadSections(session, out);
    } else if (out.runMode == RunMode::Uninstall) {
        ReadInstallLog(session, out);
    } else if (out.runMode != RunMode::Finalize) {
        out.problems.push_back("run mode " + std::to_string(RunModeValue(out.runMode)) + " is not one the builder makes");
    }
    out.volumesRead = session.VolumesRead();
    out.complete = true;
}

InspectedPackage InspectPackage(const std::string& path, const InspectCallbacks& callbacks) {
    InspectedPackage out;
    InspectPackageInto(path, out, callbacks);
    return out;
}
