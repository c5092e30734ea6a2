// Decodes the blocks of a walk on several threads while everything is still applied strictly
// in stream order: each event waits for the blocks before it, so what the examination sees,
// and every message it makes, is the same on any number of threads.
#pragma once
#include <deque>
#include <functional>
#include <future>
#include <memory>

#include "package/BlockFault.h"
#include "packwright/examine/PackageWalk.h"
#include "packwright/parallel/WorkerPool.h"

struct DecodedBlock {
    BlockFault fault = BlockFault::None;
    u32 length = 0;
    std::unique_ptr<u8[]> bytes;  // the decoded bytes when sound
};

class OrderedDecoder {
public:
    // Applies an event (with its decoded block for Block events); false stops everything.
    using Apply = std::function<bool(WalkEvent& event, DecodedBlock* decoded)>;
    OrderedDecoder(unsigned jobs, Apply apply);
    ~OrderedDecoder();
    // False once an Apply has returned false: the walk should end.
    bool Push(WalkEvent&& event);
    // Applies what is still queued.
    void Finish();

private:
    struct Item {
        WalkEvent event;
        std::future<DecodedBlock> decoding;
    };
    void Drain(std::size_t keepBlocks);

    static constexpr unsigned QueuedBlocksPerThread = 4;
    unsigned jobs_;
    Apply apply_;
    bool stopped_ = false;
    std::unique_ptr<WorkerPool> pool_;
    std::deque<Item> items_;
    std::size_t queuedBlocks_ = 0;
};
