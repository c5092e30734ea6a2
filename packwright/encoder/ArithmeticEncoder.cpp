#include "packwright/encoder/ArithmeticEncoder.h"

void ArithmeticEncoder::PutDecided(u32 bit, u32 more, u32 moreWidth) {
    constexpr u32 Chunk = 32;
    if (1 + pending_ + moreWidth <= Chunk) {  // the usual case: all in one go
        u64 opposite = bit ? 0 : (u64{1} << pending_) - 1;
        u64 value = ((u64{bit} << pending_ | opposite) << moreWidth) | more;
        PutBits(value, static_cast<int>(1 + pending_ + moreWidth));
    } else {
        PutBits(bit, 1);
        u64 opposite = bit ? 0 : (u64{1} << Chunk) - 1;
        for (; pending_ >= Chunk; pending_ -= Chunk) PutBits(opposite, Chunk);
        PutBits(opposite & ((u64{1} << pending_) - 1), static_cast<int>(pending_));
        PutBits(more, static_cast<int>(moreWidth));
    }
    pending_ = 0;
}

void ArithmeticEncoder::Encode(int s) {
    int p = model_.index[s];
    u32 range = high_ - low_ + 1;
    u32 total = model_.Total();
    // Both bounds from the old low, with the counts from before the update.
    high_ = low_ + (range * model_.cum[p]) / total - 1;
    low_ = low_ + (range * model_.CumBefore(p)) / total;
    model_.Increment(s);

    // The decoder doubles its registers once per leading bit on which low and high agree
    // (the bit is decided), then once per straddling step (low 01..., high 10...), whose
    // bit is decided later. Both kinds are counted at once here instead of bit by bit.
    u32 differ = low_ ^ high_;
    u32 agreed = differ ? static_cast<u32>(__builtin_clz(differ)) - 16 : 16;
    if (agreed) {
        PutDecided(low_ >> 15, (low_ >> (16 - agreed)) & ((1u << (agreed - 1)) - 1), agreed - 1);
        low_ = (low_ << agreed) & 0xFFFF;
        high_ = ((high_ << agreed) | ((1u << agreed) - 1)) & 0xFFFF;
    }
    // Now low < 0x8000 <= high; count the bits below the top where low has 1 and high 0.
    u32 straddle = (low_ & ~high_ & 0x7FFF) << 17;  // bit 14 moved to bit 31
    u32 steps = static_cast<u32>(__builtin_clz(~straddle));  // ~straddle has bit 16 set
    if (steps) {
        pending_ += steps;
        low_ = (low_ << steps) & 0x7FFF;
        high_ = 0x8000 | ((high_ << steps) & 0x7FFF) | ((1u << steps) - 1);
    }
}

void ArithmeticEncoder::Finish() {
    // The interval straddles the middle: 01 (then zeros) or 10 lies inside it.
    ++pending_;
    PutDecided(low_ < 0x4000 ? 0 : 1, 0, 0);
    for (; filled_ >= 8; filled_ -= 8) out_.push_back(static_cast<u8>(bits_ >> (filled_ - 8)));
    if (filled_) out_.push_back(static_cast<u8>(bits_ << (8 - filled_)));
    filled_ = 0;
    // The decoder reads zero bits past the end; keep one byte so the record is not empty.
    while (out_.size() > 1 && out_.back() == 0) out_.pop_back();
}
