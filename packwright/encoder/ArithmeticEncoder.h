// The mirror of the Stub's ArithmeticDecoder: same 16-bit registers, same narrowing and
// normalisation, same FrequencyModel, so the decoder retraces every step.
#pragma once
#include "package/FrequencyModel.h"
#include "packwright/encoder/BlockEncoder.h"

class ArithmeticEncoder {
public:
    explicit ArithmeticEncoder(ByteVector& out) : out_(out) {}

    void Encode(int s);
    // Ends the stream so that the decoder's register, reading zero bits past the end,
    // lies inside the final interval; trailing zero bytes are left out for that reason.
    void Finish();
    const FrequencyModel& Model() const { return model_; }

private:
    // Appends the `width` (at most 32) low bits of value, most significant first; whole
    // 32-bit words go out at once (fewer than 32 bits wait in bits_).
    void PutBits(u64 value, int width) {
        bits_ = (bits_ << width) | value;
        filled_ += width;
        if (filled_ >= 32) {
            filled_ -= 32;
            u32 word = static_cast<u32>(bits_ >> filled_);
            std::size_t at = out_.size();
            out_.resize(at + 4);
            StoreU32(out_.data() + at, __builtin_bswap32(word));  // most significant byte first
        }
    }
    // The decided bit, then the deferred opposite bits of the straddling steps before it,
    // then `moreWidth` further decided bits.
    void PutDecided(u32 bit, u32 more, u32 moreWidth);

    ByteVector& out_;
    FrequencyModel model_;
    u32 low_ = 0;
    u32 high_ = 0xFFFF;
    u32 pending_ = 0;
    u64 bits_ = 0;
    int filled_ = 0;
};
