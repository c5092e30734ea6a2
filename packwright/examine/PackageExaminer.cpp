#include "packwright/examine/PackageExaminer.h"

#include <memory>

#include "package/DataBlock.h"
#include "package/PackageHeader.h"
#include "package/PackageReader.h"
#include "packwright/examine/Escape.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/InstallerSession.h"
#include "packwright/writer/PackageLimits.h"
#include "state/SetupState.h"

namespace {
std::string Copy(const char* text) { return text ? text : ""; }

// The header is read as ReadPackageHeader reads it, but with buffers this side owns: a
// failed volume switch unwinds through the reader as an exception, which must not leak.
void ReadHeader(const InstallerSession& session, InspectedPackage& out) {
    const std::string context = "reading the package header";
    u8 mode = 0;
    ReadStreamBytes(session, &mode, 1, context);
    out.runMode = static_cast<signed char>(mode);
    InspectedHeader& h = out.header;
    if (mode != 0) {
        h.productTitle = ReadRawCountedString(session, context);
        h.footerText = ReadRawCountedString(session, context);
        h.uninstallName = ReadRawCountedString(session, context);
        return;
    }
    std::unique_ptr<u8[]> block(new u8[DecodeCapacity]);
    u32 length = 0;
    bool sound = WithContext(context, [&] { return ReadDataBlock(block.get(), &length, DecodeCapacity); });
    session.ThrowIfFailed(context);
    if (!sound) throw ExamineError("the install header block is damaged: it fails its checksums or cannot be decoded");
    if (!ParseInstallHeader(block.get(), length))
        throw ExamineError("the install header block is too short for its fields (" + std::to_string(length) + " bytes)");
    h.productTitle = Copy(g_setup.ProductTitle);
    h.footerText = Copy(g_setup.FooterText);
    h.uninstallName = Copy(g_setup.UninstallName);
    h.programDir = Copy(g_setup.ProgramDir);
    h.shortcutFolder = Copy(g_setup.ShortcutFolder);
    h.programDirFixed = g_setup.ProgramDirFixed;
    h.passwordChecksum = g_setup.PasswordChecksum;
    for (int k = 0; k < 7; ++k) h.sizeTable[k] = g_setup.SizeTable[k];
    h.totalBlocks = g_setup.TotalBlocks;
    if (g_setup.LicenceText) h.licenceText = g_setup.LicenceText;
}

void ReadFiles(const InstallerSession& session, InspectedPackage& out, const InspectCallbacks& callbacks) {
    std::unique_ptr<u8[]> buffer(new u8[DecodeCapacity]);
    u64 blocksDone = 0;
    const u64 totalBlocks = out.header.totalBlocks;
    for (std::size_t index = 0;; ++index) {
        std::string where = "file " + std::to_string(index + 1);
        InspectedFile file;
        file.name = ReadRawCountedString(session, "reading the name of " + where);
        if (file.name.empty()) break;
        where = DescribeFile(index, file.name);
        u8 fixed[19];
        ReadStreamBytes(session, fixed, sizeof fixed, "reading the record of " + where);
        file.blockCount = LoadU16(fixed);
        for (int i = 0; i < 4; ++i) file.version[i] = LoadU16(fixed + 2 + 2 * i);
        file.time = LoadU32(fixed + 10) | (static_cast<u64>(LoadU32(fixed + 14)) << 32);
        file.shared = fixed[18] != 0;
        if (callbacks.beginFile) callbacks.beginFile(file, index);

        u64 shortBlocks = 0;  // blocks before the last that hold less than a full block
        u32 lastLength = 0;
        for (;;) {
            std::string block = where + ", block " + std::to_string(file.blocksRead + 1) + " of " +
                                std::to_string(file.blockCount);
            u32 length = 0;
            bool sound = WithContext(block, [&] { return ReadDataBlock(buffer.get(), &length, DecodeCapacity); });
            session.ThrowIfFailed(block);
            if (!sound) throw ExamineError(block + " is damaged: it fails its checksums or cannot be decoded");
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
    u64 blocks = 0;
    for (const InspectedFile& f : out.files) blocks += f.blocksRead;
    if (blocks != out.header.totalBlocks)
        out.problems.push_back("the header's TotalBlocks is " + std::to_string(out.header.totalBlocks) + " but the files hold " +
                               std::to_string(blocks) + " blocks");
    for (int k = 0; k < 7; ++k) {
        u64 cluster = 512ull << k;
        u64 clusters = 0;
        for (const InspectedFile& f : out.files) clusters += (f.decodedSize + cluster - 1) / cluster;
        if (clusters != out.header.sizeTable[k])
            out.problems.push_back("the header's size table gives " + std::to_string(out.header.sizeTable[k]) +
                                   " clusters of " + std::to_string(cluster) + " bytes but the files take " +
                                   std::to_string(clusters));
    }
}

void ReadSections(const InstallerSession& session, InspectedPackage& out) {
    for (;;) {
        std::string line = ReadRawCountedString(session, "reading shortcut line " + std::to_string(out.shortcuts.size() + 1));
        if (line.empty()) break;
        // The Stub reads lines as C strings: a line whose "=" follows a 0 byte has none.
        std::string visible = line.substr(0, line.find('\0'));
        if (visible.find('=') == std::string::npos) {
            out.shortcutStop = line;
            break;
        }
        out.shortcuts.push_back(line);
    }
    for (;;) {
        std::string line = ReadRawCountedString(session, "reading registry line " + std::to_string(out.registry.size() + 1));
        if (line.empty()) break;
        std::string problem = RegistryLineProblem(line);
        if (!problem.empty())
            out.problems.push_back("registry line " + std::to_string(out.registry.size() + 1) + " " +
                                   QuoteForMessage(line) + ": " + problem);
        out.registry.push_back(line);
    }
    out.runAfter = ReadRawCountedString(session, "reading the run-after command");
}

void ReadInstallLog(const InstallerSession& session, InspectedPackage& out) {
    const std::string context = "reading the install log";
    for (;;) {
        std::string record = ReadRawCountedString(session, context);
        if (record.empty()) break;
        out.logFiles.push_back(record);
    }
    for (;;) {
        std::string key = ReadRawCountedString(session, context);
        if (key.empty()) break;
        InstallLogGroup group{key, {}};
        for (;;) {
            std::string entry = ReadRawCountedString(session, context);
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

const char* RunModeName(int runMode) {
    switch (runMode) {
    case 0: return "install";
    case 1: return "uninstall";
    case 2: return "finalize";
    default: return "unknown";
    }
}

void InspectPackageInto(const std::string& path, InspectedPackage& out, const InspectCallbacks& callbacks) {
    InstallerSession session(path);
    out.path = session.ModulePath();
    out.packageOffset = session.PackageOffsetValue();
    ReadHeader(session, out);
    out.headerRead = true;
    if (out.runMode == 0) {
        ReadFiles(session, out, callbacks);
        CheckHeaderCounts(out);
        ReadSections(session, out);
    } else if (out.runMode == 1) {
        ReadInstallLog(session, out);
    } else if (out.runMode != 2) {
        out.problems.push_back("run mode " + std::to_string(out.runMode) + " is not one the builder makes");
    }
    out.volumesRead = VolumeCount();
    out.complete = true;
}

InspectedPackage InspectPackage(const std::string& path, const InspectCallbacks& callbacks) {
    InspectedPackage out;
    InspectPackageInto(path, out, callbacks);
    return out;
}
