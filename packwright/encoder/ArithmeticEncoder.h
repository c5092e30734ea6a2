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
    // Appends the `width` (at most 56) low bits of value, most significant first.
    void PutBits(u64 value, int width) {
        bits_ = (bits_ << width) | value;
        filled_ += width;
        while (filled_ >= 8) {
            filled_ -= 8;
            out_.push_back(static_cast<u8>(bits_ >> filled_));
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
