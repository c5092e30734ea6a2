// The file section's blocks decoded on the processors beside the worker's, while the worker
// writes.
//
// Only the worker reads the Package, and it makes every ordinary read (the only kind that can
// prompt) at the same point as with one processor. The reader keeps a window of the open
// volume's next bytes, filled by reads that never prompt. Through it the worker looks ahead,
// past the ends of files and over the records of the next ones, for blocks that lie wholly in
// the open volume; it copies their stored bytes into slots, and helper threads decode them.
// When the worker reaches a block it takes the slot made for that very place in the stream,
// passing over the bytes as reading them would, or it reads the block ordinarily. Either way it
// steps the progress, writes and fails block by block in order, and meets every record,
// question and prompt where one processor would. Whoever comes first decodes a block: a helper,
// or the worker when it needs a block no helper has started. Memory is bounded: a few slots
// per processor and a window that holds them.
#pragma once
#include "package/DataBlock.h"

// Starts reading ahead at the start of the file section, with helpers on all processors but
// one (at most 7 helpers). With one processor none start: every block is read and decoded
// where the worker stands, through the window all the same.
void StartBlockDecoders();
// Ends them; no file may be between blocks.
void StopBlockDecoders();

struct FileBlock {
    const u8* bytes = nullptr;
    u32 length = 0;
    bool end = false;  // the file's end marker
};
// The file's next block, read and decoded: Sound, or the status of the ordinary read, or
// Damaged when the stored bytes do not decode. buffer (DecodeCapacity bytes) serves for blocks
// read where the worker stands; bytes stay valid until the next call.
BlockStatus ReadFileBlock(u8* buffer, FileBlock* block);
// The file ended before its end marker, and nothing more will be read: what was read ahead
// is dropped.
void DropReadAhead();
