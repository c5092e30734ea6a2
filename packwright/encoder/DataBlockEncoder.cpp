#include <algorithm>
#include <stdexcept>
#include <string>

#include "package/BlockChecksum.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
constexpr std::size_t PrimaryIndexSize = 4;
constexpr std::size_t MaxStoredLength = 0xFFFF;  // the record's u16
constexpr std::size_t MaxPayload = DecodeCapacity - PrimaryIndexSize - 1;

// The remaining stages for a run-coded (or plain) block; false when its move-to-front
// codes would not fit the decoder's buffer (doubled 0xFF bytes can make it grow).
bool EncodeRuns(const ByteVector& runs, const EncoderOptions& options, ByteVector& out) {
    if (runs.size() + PrimaryIndexSize > DecodeCapacity) return false;
    out = EntropyEncode(MoveToFront(BurrowsWheeler(runs)), options);
    return true;
}

// Escape pairs pay when they remove real runs; on data without runs both modes code to
// within a few bytes, and the plain one keeps the transform's contexts intact.
bool RunCodingPays(const u8* data, std::size_t length, const ByteVector& runs) {
    std::size_t doubled = static_cast<std::size_t>(std::count(data, data + length, u8{0xFF}));
    std::size_t removed = length + 1 + doubled - runs.size();
    return removed * 100 >= length;
}

void KeepSmaller(ByteVector& best, bool& found, ByteVector& candidate) {
    if (!found || candidate.size() < best.size()) best.swap(candidate);
    found = true;
}
}  // namespace

ByteVector EncodeBlockPayload(const u8* data, std::size_t length, const EncoderOptions& options) {
    if (length > MaxPayload)
        throw std::runtime_error("block payload of " + std::to_string(length) + " bytes exceeds the limit of " +
                                 std::to_string(MaxPayload));
    ByteVector runs = CodeRuns(data, length, true, options.minEscapedCopies);
    bool tryCoded = true, tryPlain = true;
    switch (options.runMode) {
        case RunModeChoice::Estimate:
            (RunCodingPays(data, length, runs) ? tryPlain : tryCoded) = false;
            break;
        case RunModeChoice::Plain: tryCoded = false; break;
        case RunModeChoice::RunCoded: tryPlain = false; break;
        case RunModeChoice::Smaller: break;
    }
    ByteVector best, candidate;
    bool found = false;
    if (tryCoded && EncodeRuns(runs, options, candidate)) KeepSmaller(best, found, candidate);
    if (tryPlain && EncodeRuns(CodeRuns(data, length, false), options, candidate)) KeepSmaller(best, found, candidate);
    // The preferred mode may be impossible or too large; then the other one must serve.
    if (!found || best.size() > MaxStoredLength) {
        if (!tryCoded && EncodeRuns(runs, options, candidate)) KeepSmaller(best, found, candidate);
        if (!tryPlain && EncodeRuns(CodeRuns(data, length, false), options, candidate))
            KeepSmaller(best, found, candidate);
    }
    if (best.size() > MaxStoredLength)
        throw std::runtime_error("block payload of " + std::to_string(length) + " bytes encodes to " +
                                 std::to_string(best.size()) + " stored bytes, above the limit of 65535");
    return best;
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
