#include "install/BlockDecoders.h"

#include <atomic>
#include <cstring>

#include "package/FileRecord.h"
#include "package/StubPackage.h"
#include "platform/System.h"
#include "platform/Threads.h"
#include "state/SetupState.h"

namespace {
constexpr u32 MaxDecoders = 8;
// Two slots a processor and two more: enough to keep every helper busy while the worker
// spends a while on one file (making its folders, writing, asking).
constexpr u32 SlotsPerDecoder = 2;
constexpr u32 SpareSlots = 2;
// The most the stream can hold from one block to the next: a block, the end marker of its
// file and the next file's record.
constexpr u32 StepBytes = DataBlockPrefixSize + DecodeCapacity + 2 + 1 + 255 + FileRecordFixedSize;

struct Slot {
    u8* buffer = nullptr;
    StoredBlock block;
    u32 offset = 0;  // where the block's record starts in the open volume
    u32 length = 0;
    bool sound = false;
    SignalHandle decoded = nullptr;  // raised by the helper that decoded it
};

// Blocks handed out are numbered in stream order from the start; block n sits in slot n %
// slots. They are claimed for decoding in that order: helpers take the next unclaimed one for
// each raise of the work signal, the worker the one it needs if nobody has yet.
DecodeWorkspace* g_workspace = nullptr;  // the worker's
u32 g_helpers = 0;
ThreadHandle g_thread[MaxDecoders] = {};
SignalHandle g_work = nullptr;
u32 g_slots = 0;
Slot* g_slot = nullptr;
u32 g_taken = 0;  // the next block the worker takes
std::atomic<u32> g_handed{0};
std::atomic<u32> g_claimed{0};
std::atomic<bool> g_stopping{false};

// Where looking ahead stands: an offset of the volume it was made in, before a block (or, at
// a file's end, before the next record); it stops for good at the section's end.
struct LookOut {
    u32 volume = 0;
    u32 at = 0;
    bool atRecord = false;
    bool ended = false;
} g_look;

Slot& SlotOf(u32 n) { return g_slot[n % g_slots]; }

void Decode(Slot& s, DecodeWorkspace* workspace) {
    s.sound = DecodeStoredBlock(s.block, s.buffer, &s.length, DecodeCapacity, workspace);
}

u32 Helper(void*) {
    DecodeWorkspace workspace;
    for (;;) {
        PlatformWaitSignal(g_work);
        if (g_stopping) return 0;
        for (u32 n = g_claimed; n != g_handed;) {
            if (g_claimed.compare_exchange_weak(n, n + 1)) {
                Decode(SlotOf(n), &workspace);
                PlatformRaiseSignal(SlotOf(n).decoded);
                break;
            }
        }
    }
}

// Block n, the next the worker takes, once nobody decodes it any more: true when nobody had
// started it, so that it is the worker's to decode if it wants it.
bool Settle(u32 n) {
    u32 expected = n;
    if (g_claimed.compare_exchange_strong(expected, n + 1)) return true;
    PlatformWaitSignal(SlotOf(n).decoded);
    return false;
}

void DropAll() {
    for (; g_taken != g_handed; ++g_taken) Settle(g_taken);
}

void LookFrom(bool atRecord) {
    g_look.volume = StubReader().VolumeIndex();
    g_look.at = StubReader().VolumeOffset();
    g_look.atRecord = atRecord;
    g_look.ended = false;
}

// Whether looking ahead still stands in the volume being read and at or after the worker;
// when it does not, nothing it handed out is of use.
bool LookOutHolds() { return g_look.volume == StubReader().VolumeIndex() && g_look.at >= StubReader().VolumeOffset(); }

// Hands out blocks of the window until the slots are full, the window ends or the section
// does. Not while a cancel is pending: it may well be confirmed.
void LookAhead() {
    PackageReader& reader = StubReader();
    while (!g_look.ended && !g_setup.Cancelled && g_handed - g_taken < g_slots) {
        if (g_look.atRecord) {
            const u8* name = reader.Ahead(g_look.at, 1);
            if (!name) return;
            if (*name == 0) {
                g_look.ended = true;
                return;
            }
            u32 record = 1 + *name + FileRecordFixedSize;
            if (!reader.Ahead(g_look.at, record)) return;
            g_look.at += record;
            g_look.atRecord = false;
        }
        Slot& s = SlotOf(g_handed);
        const u8* stored = nullptr;
        if (!PeekStoredBlock(reader, g_look.at, &s.block, &stored)) return;
        s.offset = g_look.at;
        g_look.at += StoredBlockSize(s.block);
        if (!s.block.storedLength) {
            g_look.atRecord = true;
            continue;
        }
        std::memcpy(s.buffer, stored, s.block.storedLength);
        ++g_handed;
        PlatformRaiseSignal(g_work);
    }
}

BlockStatus Finish(const u8* bytes, u32 length, bool end, bool sound, FileBlock* block) {
    block->bytes = bytes;
    block->length = length;
    block->end = end;
    return sound ? BlockStatus::Sound : BlockStatus::Damaged;
}
}  // namespace

void StartBlockDecoders() {
    u32 processors = PlatformProcessorCount();
    if (processors > MaxDecoders) processors = MaxDecoders;
    u32 slots = processors > 1 ? processors * SlotsPerDecoder + SpareSlots : 0;
    // Half the window reaches ahead: every slot's block, and the step the worker stands in.
    StubReader().KeepWindow(2 * (slots + 1) * StepBytes);
    g_workspace = new DecodeWorkspace;
    if (processors < 2) return;
    g_slots = slots;
    g_slot = new Slot[g_slots];
    g_work = PlatformCreateSignal();
    bool ready = g_work != nullptr;
    for (u32 k = 0; k < g_slots; ++k) {
        g_slot[k].buffer = new u8[DecodeCapacity];
        g_slot[k].decoded = PlatformCreateSignal();
        ready = ready && g_slot[k].decoded;
    }
    g_taken = g_handed = g_claimed = 0;
    for (; ready && g_helpers < processors - 1; ++g_helpers) {
        g_thread[g_helpers] = PlatformStartJoinableThread(Helper, nullptr);
        ready = g_thread[g_helpers] != nullptr;
    }
    // Short of anything, the helpers that did start are stopped: one processor's way.
    if (!ready) {
        StopBlockDecoders();
        StubReader().KeepWindow(2 * StepBytes);
        g_workspace = new DecodeWorkspace;
        return;
    }
    LookFrom(true);
    LookAhead();
}

void StopBlockDecoders() {
    if (g_slot) DropAll();
    g_stopping = true;
    for (u32 h = 0; h < g_helpers; ++h) PlatformRaiseSignal(g_work);
    for (u32 h = 0; h < g_helpers; ++h) {
        if (g_thread[h]) PlatformJoinThread(g_thread[h]);
        g_thread[h] = nullptr;
    }
    for (u32 k = 0; k < g_slots; ++k) {
        if (g_slot[k].decoded) PlatformCloseSignal(g_slot[k].decoded);
        delete[] g_slot[k].buffer;
    }
    if (g_work) PlatformCloseSignal(g_work);
    delete[] g_slot;
    g_slot = nullptr;
    g_work = nullptr;
    g_helpers = g_slots = 0;
    g_stopping = false;
    StubReader().KeepWindow(0);
    delete g_workspace;
    g_workspace = nullptr;
}

BlockStatus ReadFileBlock(u8* buffer, FileBlock* block) {
    PackageReader& reader = StubReader();
    if (g_helpers) {
        if (!LookOutHolds()) {
            DropAll();
            LookFrom(false);
        }
        // Blocks of files that were skipped, not written, were passed over.
        u32 here = reader.VolumeOffset();
        while (g_taken != g_handed && SlotOf(g_taken).offset < here) Settle(g_taken++);
        if (g_taken != g_handed && SlotOf(g_taken).offset == here) {
            Slot& s = SlotOf(g_taken);
            reader.PassOver(StoredBlockSize(s.block));
            LookAhead();
            if (Settle(g_taken++)) Decode(s, g_workspace);
            return Finish(s.buffer, s.length, false, s.sound, block);
        }
    }
    StoredBlock stored;
    BlockStatus status = ReadStoredBlock(reader, buffer, DecodeCapacity, &stored);
    if (status != BlockStatus::Sound) return status;
    if (g_helpers) {
        if (!LookOutHolds()) {
            DropAll();
            LookFrom(stored.storedLength == 0);
        }
        LookAhead();
    }
    u32 length = 0;
    bool sound = DecodeStoredBlock(stored, buffer, &length, DecodeCapacity, g_workspace);
    return Finish(buffer, length, stored.storedLength == 0, sound, block);
}

void DropReadAhead() {
    if (g_helpers) DropAll();
}
