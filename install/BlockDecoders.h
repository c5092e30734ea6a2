// A file's blocks decoded on the processors beside the worker's, while the worker writes.
//
// Only the worker reads the Package, and it reads every block it could be asked about at the
// same point as with one processor: after the cancel question before that block and after
// the previous block was written. Besides, it reads ahead, quietly, the file's next blocks
// that lie wholly in the open volume, and only while no cancel is pending; such a read shows
// nothing and cannot fail visibly (any trouble just ends the reading ahead), so a prompt can
// only come from an ordinary read, in the ordinary place. The helpers decode what was read
// ahead; the worker still steps the progress, writes and fails block by block in order. A
// file that ends early drops what was read ahead of it, and nothing is read after that.
#pragma once
#include "package/DataBlock.h"

// Starts the helpers: one fewer than the processors (at most 7). With one processor none
// start, and every block is read and decoded exactly where the worker stands.
void StartBlockDecoders();
// Ends them; no file may be between blocks.
void StopBlockDecoders();

struct FileBlock {
    const u8* bytes = nullptr;
    u32 length = 0;
    bool end = false;  // the file's end marker
};
// The file's next block, read and decoded: Sound, or the status of the ordinary read, or
// Damaged when the stored bytes do not decode. buffer (DecodeCapacity bytes) serves when no
// helper runs; bytes stay valid until the next call.
BlockStatus ReadFileBlock(u8* buffer, FileBlock* block);
// The file ended before its end marker: what was read ahead of it is dropped.
void DropReadAhead();
