#include "package/FrequencyModel.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
class BitWriter {
public:
    explicit BitWriter(ByteVector& out) : out_(out) {}
    void Put(u32 bit) {
        current_ = static_cast<u8>((current_ << 1) | bit);
        if (++filled_ == 8) {
            out_.push_back(current_);
            current_ = 0;
            filled_ = 0;
        }
    }
    // The decoder reads zero bits past the end, so the last byte is padded with zeros.
    void Finish() {
        if (filled_) out_.push_back(static_cast<u8>(current_ << (8 - filled_)));
    }

private:
    ByteVector& out_;
    u8 current_ = 0;
    int filled_ = 0;
};

// The mirror of the decoder's registers: the same narrowing, the same normalisation.
class ArithmeticEncoder {
public:
    explicit ArithmeticEncoder(ByteVector& out) : bits_(out) {}

    void Encode(int s) {
        int p = model_.index[s];
        u32 range = static_cast<u32>(high_) - low_ + 1;
        u32 total = model_.Total();
        high_ = static_cast<u16>(low_ + (range * model_.cum[p]) / total - 1);
        low_ = static_cast<u16>(low_ + (range * model_.CumBefore(p)) / total);
        model_.Increment(s);
        for (;;) {
            if (high_ < 0x8000) {
                PutWithPending(0);
            } else if (low_ >= 0x8000) {
                PutWithPending(1);
                low_ = static_cast<u16>(low_ - 0x8000);
                high_ = static_cast<u16>(high_ - 0x8000);
            } else if (low_ >= 0x4000 && high_ < 0xC000) {
                ++pending_;
                low_ = static_cast<u16>(low_ - 0x4000);
                high_ = static_cast<u16>(high_ - 0x4000);
            } else {
                break;
            }
            low_ = static_cast<u16>(low_ << 1);
            high_ = static_cast<u16>((high_ << 1) | 1);
        }
    }

    // Two bits (and the pending ones) name a point inside the final interval; the zero
    // bits the decoder reads after them keep it there.
    void Finish() {
        ++pending_;
        PutWithPending(low_ < 0x4000 ? 0 : 1);
        bits_.Finish();
    }

private:
    void PutWithPending(u32 bit) {
        bits_.Put(bit);
        for (; pending_; --pending_) bits_.Put(bit ^ 1);
    }

    BitWriter bits_;
    FrequencyModel model_;
    u16 low_ = 0;
    u16 high_ = 0xFFFF;
    u32 pending_ = 0;
};

constexpr std::size_t MinRun = 8;
constexpr std::size_t MaxRun = 265;
}  // namespace

ByteVector EntropyEncode(const ByteVector& codes) {
    ByteVector out;
    out.reserve(codes.size() / 2 + 16);
    ArithmeticEncoder encoder(out);
    std::size_t i = 0;
    while (i < codes.size()) {
        u8 c = codes[i];
        std::size_t run = 1;
        while (i + run < codes.size() && codes[i + run] == c) ++run;
        i += run;
        encoder.Encode(c);
        --run;
        while (run >= MinRun) {
            std::size_t n = run < MaxRun ? run : MaxRun;
            encoder.Encode(RunSymbol);
            encoder.Encode(static_cast<int>(n - MinRun));
            run -= n;
        }
        for (; run; --run) encoder.Encode(c);
    }
    encoder.Encode(EndSymbol);
    encoder.Finish();
    return out;
}
