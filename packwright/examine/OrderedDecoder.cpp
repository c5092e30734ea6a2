#include "packwright/examine/OrderedDecoder.h"

namespace {
DecodedBlock Decode(const StoredBlock& block, std::unique_ptr<u8[]> buffer) {
    DecodedBlock d;
    d.fault = DecodeStoredBlockFault(block, buffer.get(), &d.length, DecodeCapacity);
    d.bytes = std::move(buffer);
    return d;
}
}  // namespace

OrderedDecoder::OrderedDecoder(unsigned jobs, Apply apply) : jobs_(jobs ? jobs : 1), apply_(std::move(apply)) {
    if (jobs_ > 1) pool_ = std::make_unique<WorkerPool>(jobs_);
}

OrderedDecoder::~OrderedDecoder() {
    // Decodings still running hold their buffers until they end; the pool waits for them.
    items_.clear();
    pool_.reset();
}

bool OrderedDecoder::Push(WalkEvent&& event) {
    if (stopped_) return false;
    bool isBlock = event.kind == WalkEvent::Kind::Block;
    if (!pool_) {
        DecodedBlock decoded;
        if (isBlock) decoded = Decode(event.block, std::move(event.buffer));
        stopped_ = !apply_(event, isBlock ? &decoded : nullptr);
        return !stopped_;
    }
    Item item{std::move(event), {}};
    if (isBlock) {
        item.decoding = pool_->Submit([block = item.event.block, buffer = std::move(item.event.buffer)]() mutable {
            return Decode(block, std::move(buffer));
        });
        ++queuedBlocks_;
    }
    items_.push_back(std::move(item));
    Drain(QueuedBlocksPerThread * jobs_);
    return !stopped_;
}

void OrderedDecoder::Finish() { Drain(0); }

// Applies queued events in order until at most `keepBlocks` decodings are outstanding.
void OrderedDecoder::Drain(std::size_t keepBlocks) {
    while (!stopped_ && !items_.empty()) {
        Item& front = items_.front();
        bool isBlock = front.decoding.valid();
        if (isBlock && queuedBlocks_ <= keepBlocks) return;
        DecodedBlock decoded;
        if (isBlock) {
            decoded = front.decoding.get();
            --queuedBlocks_;
        }
        stopped_ = !apply_(front.event, isBlock ? &decoded : nullptr);
        items_.pop_front();
    }
}
