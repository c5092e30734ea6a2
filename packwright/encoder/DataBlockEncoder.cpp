#include "package/BlockChecksum.h"
#include "packwright/encoder/BlockEncoder.h"

ByteVector EncodeBlockPayload(const u8* data, std::size_t length) {
    ByteVector runs = CodeRuns(data, length, true);
    if (runs.size() > length) runs = CodeRuns(data, length, false);
    return EntropyEncode(MoveToFront(BurrowsWheeler(runs)));
}

ByteVector EncodeDataBlock(const u8* data, std::size_t length) {
    ByteVector stored = EncodeBlockPayload(data, length);
    ByteVector record(10);
    StoreU16(record.data(), static_cast<u16>(stored.size()));
    StoreU32(record.data() + 2, BlockChecksum(data, static_cast<u32>(length), ChecksumStart));
    StoreU32(record.data() + 6, BlockChecksum(stored.data(), static_cast<u32>(stored.size()), ChecksumStart));
    record.insert(record.end(), stored.begin(), stored.end());
    return record;
}

ByteVector EndMarker() { return ByteVector(2, 0); }
