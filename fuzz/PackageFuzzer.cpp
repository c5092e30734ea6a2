// A whole Package stream, twice: through `packwright`'s examination on an installer file
// around it (verify's report and list's JSON, decoded on one thread and on two, which must
// agree to the byte), and walked directly the way the Stub reads it, through a reading-ahead
// window: the mode byte and header, every FileRecord with its blocks (decoded, possibly from
// what the window showed ahead, or skipped), the shortcut, registry and run-after sections,
// or a companion's strings. Nothing may crash, read out of bounds or leak; running out of
// stream ends the walk, as it ends the Stub.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzHarness.h"
#include "package/DataBlock.h"
#include "package/FileRecord.h"
#include "package/PackageHeader.h"
#include "package/ShortcutLine.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/Verify.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

// The next block, which a window of the given capacity may already show: seen ahead, it is
// what an ordinary read gives (the ordinary read then takes it from the window), or it is
// passed over and decoded from what was seen, as the Stub's worker takes a block decoded
// ahead. Seeing ahead consumes nothing. Sound, or the ordinary read's status.
BlockStatus ReadBlockThroughWindow(PackageReader& reader, u8* buffer, u32* length) {
    static u8 seen[DecodeCapacity];
    u32 start = reader.VolumeOffset();
    StoredBlock a, b;
    const u8* stored = nullptr;
    bool ahead = PeekStoredBlock(reader, start, &a, &stored);
    Check(reader.VolumeOffset() == start);
    if (!ahead) return ReadDataBlock(reader, buffer, length, DecodeCapacity);
    if (a.storedLength) std::memcpy(seen, stored, a.storedLength);
    if (a.storedLength % 2) {
        reader.PassOver(StoredBlockSize(a));
        return DecodeStoredBlock(a, seen, length, DecodeCapacity) ? BlockStatus::Sound : BlockStatus::Damaged;
    }
    Check(ReadStoredBlock(reader, buffer, DecodeCapacity, &b) == BlockStatus::Sound);
    Check(reader.VolumeOffset() == start + StoredBlockSize(a) && a.storedLength == b.storedLength &&
          a.decodedChecksum == b.decodedChecksum && a.storedChecksum == b.storedChecksum &&
          std::memcmp(seen, buffer, a.storedLength) == 0);
    return DecodeStoredBlock(b, buffer, length, DecodeCapacity) ? BlockStatus::Sound : BlockStatus::Damaged;
}

// FileRecords until the empty name or a failure: name, 19 fixed bytes, blocks, end marker.
void ReadFileSection(PackageReader& reader, u8* buffer) {
    for (;;) {
        const char* name = reader.ReadCountedString();
        if (!*name) return;
        Check(std::strlen(name) <= 255);
        u8 fixed[FileRecordFixedSize];
        if (reader.ReadPackageBytes(fixed, sizeof fixed) < 0) return;
        FileRecord record;
        ParseFileRecord(fixed, &record);
        // The shared flag chooses skipping, so both ways through a record get exercised.
        bool skip = record.Shared;
        for (;;) {
            u32 length = 0xFFFFFFFF;
            BlockStatus status = skip ? ReadDataBlock(reader, nullptr, &length, DecodeCapacity)
                                      : ReadBlockThroughWindow(reader, buffer, &length);
            if (status != BlockStatus::Sound) return;
            Check(length <= DecodeCapacity);
            if (length == 0) break;
        }
    }
}

void ReadInstallSections(PackageReader& reader, u8* buffer) {
    ReadFileSection(reader, buffer);
    for (;;) {  // shortcut lines: a line without "=" ends the section too
        ShortcutParts parts;
        const char* line = reader.ReadCountedString();
        if (!*line || !SplitShortcutLine(line, &parts)) break;
    }
    while (*reader.ReadCountedString()) {  // registry lines
    }
    reader.ReadCountedString();  // the run-after command
}
}  // namespace

// The listing and every decoded byte, as read on `jobs` threads.
std::string Examine(const std::string& path, unsigned jobs) {
    std::string decoded;
    ExamineCallbacks callbacks;
    callbacks.fileData = [&](const u8* d, u32 n) { decoded.append(reinterpret_cast<const char*>(d), n); };
    callbacks.endFile = [&](const ExaminedFile& f, std::size_t) { decoded += f.intact ? "<end>" : "<lost>"; };
    ExaminedPackage package;
    try {
        ExaminePackageInto(path, package, callbacks, {jobs, true});
    } catch (const ExamineError& e) {
        return e.what();
    }
    return ListingJson(package) + ListingText(package) + decoded;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static u8 buffer[DecodeCapacity];
    std::string path = WriteInstaller(data, size);
    std::string report;
    VerifyPackage(path, report, 2);
    Check(!report.empty());
    Check(Examine(path, 1) == Examine(path, 2));

    MemoryVolumes volumes(data, size);
    GiveUpPrompts prompts;
    PackageReader reader(volumes, prompts);
    Check(reader.OpenNextVolume());
    // A window of a size the input chooses, from a few bytes (most reads then go around it)
    // to more than the stream; every read below goes through it.
    reader.KeepWindow(static_cast<u32>(8 + size * 7919 % 150000));
    PackageHeader header;
    HeaderStatus status = ReadPackageHeader(reader, header);
    if (status == HeaderStatus::Read) {
        Check(header.ProductTitle && header.FooterText && header.UninstallName);
        if (header.Mode == RunMode::Install) {
            Check(header.ProgramDir && header.ShortcutFolder);
            ReadInstallSections(reader, buffer);
        } else {
            while (*reader.ReadCountedString()) {  // an InstallLog is made of such strings
            }
        }
    } else {
        // Only a stream that ended, or an install header that fails its checks, stops here.
        Check(prompts.ended || (header.Mode == RunMode::Install && status != HeaderStatus::Unreadable));
    }
    ReleasePackageHeader(header);
    // Once the stream has ended, every read fails at once.
    if (prompts.ended) Check(reader.ReadPackageBytes(buffer, 1) == -1);
    return 0;
}
