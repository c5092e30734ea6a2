// Arbitrary stored bytes through DecodeBlock and through ReadDataBlock as a record of the
// Package stream; checks that both agree, that skipping consumes the record exactly, that
// the decoder matches the plain reference version, and that whatever decodes re-encodes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzHarness.h"
#include "fuzz/reference/ReferenceDecoder.h"
#include "package/BlockChecksum.h"
#include "package/DataBlock.h"
#include "package/DecodeBlock.h"
#include "package/PackageReader.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

std::vector<u8> Record(const u8* stored, u32 size, u32 decodedChecksum) {
    std::vector<u8> record(DataBlockPrefixSize);
    StoreU16(record.data(), static_cast<u16>(size));
    StoreU32(record.data() + 2, decodedChecksum);
    StoreU32(record.data() + 6, BlockChecksum(stored, size, ChecksumStart));
    record.insert(record.end(), stored, stored + size);
    record.push_back(0);  // the end marker
    record.push_back(0);
    return record;
}

// Whatever the record reader does, the record is complete: the stream never ends early.
void ReadRecord(const std::vector<u8>& record, u8* buffer, u32 storedSize, bool decoded, const u8* expected,
                u32 expectedLength) {
    {
        MemoryVolumes volumes(record.data(), record.size());
        GiveUpPrompts prompts;
        PackageReader reader(volumes, prompts);
        Check(reader.OpenNextVolume());
        u32 length = 0;
        bool ok = ReadDataBlock(reader, buffer, &length, DecodeCapacity) == BlockStatus::Sound;
        Check(ok == decoded);
        if (ok) {
            Check(length == expectedLength && std::memcmp(buffer, expected, length) == 0);
            Check(ReadDataBlock(reader, buffer, &length, DecodeCapacity) == BlockStatus::Sound && length == 0);
        }
        Check(!prompts.ended);
    }
    // Skip mode steps over the same record by its stored length alone.
    MemoryVolumes volumes(record.data(), record.size());
    GiveUpPrompts prompts;
    PackageReader reader(volumes, prompts);
    Check(reader.OpenNextVolume());
    u32 length = 0;
    Check(ReadDataBlock(reader, nullptr, &length, DecodeCapacity) == BlockStatus::Sound && length == storedSize);
    Check(ReadDataBlock(reader, nullptr, &length, DecodeCapacity) == BlockStatus::Sound && length == 0);
    Check(!prompts.ended);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > DecodeCapacity) return 0;  // a record stores 1 to 65535 bytes
    static u8 decoded[DecodeCapacity];
    static u8 reference[DecodeCapacity];
    static u8 buffer[DecodeCapacity];
    u32 length = static_cast<u32>(size);
    std::memcpy(decoded, data, size);
    // One workspace for every input, as a decoder keeps it: nothing of one block may leak
    // into the next.
    static DecodeWorkspace* workspace = new DecodeWorkspace;
    bool ok = DecodeBlock(decoded, &length, DecodeCapacity, workspace);
    Check(length <= DecodeCapacity && (ok || length == 0));

    u32 referenceLength = static_cast<u32>(size);
    std::memcpy(reference, data, size);
    bool referenceOk = reference::DecodeBlock(reference, &referenceLength, DecodeCapacity);
    Check(ok == referenceOk && length == referenceLength && std::memcmp(decoded, reference, length) == 0);

    u32 checksum = ok ? BlockChecksum(decoded, length, ChecksumStart) : 0;
    ReadRecord(Record(data, static_cast<u32>(size), checksum), buffer,
               static_cast<u32>(size), ok, decoded, length);

    // The encoder must reproduce any payload the decoder can yield (kept to small ones for speed).
    if (ok && length <= 16384) {
        ByteVector stored = EncodeBlockPayload(decoded, length);
        Check(stored.size() <= DecodeCapacity);
        u32 again = static_cast<u32>(stored.size());
        std::memcpy(buffer, stored.data(), stored.size());
        Check(DecodeBlock(buffer, &again, DecodeCapacity));
        Check(again == length && std::memcmp(buffer, decoded, length) == 0);
    }
    return 0;
}
