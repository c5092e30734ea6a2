#include "install/BlockDecoders.h"

#include "package/StubPackage.h"
#include "platform/System.h"
#include "platform/Threads.h"
#include "state/SetupState.h"

namespace {
constexpr u32 MaxDecoders = 8;
constexpr u32 SlotsPerDecoder = 2;  // one being decoded, one read ahead and waiting

struct Slot {
    u8* buffer = nullptr;
    StoredBlock block;
    u32 length = 0;
    bool sound = false;
    SignalHandle decoded = nullptr;  // raised by the helper that decoded it
    // Slot h also holds helper h (1 <= h < decoders): its thread and the signal that hands
    // it its next block.
    ThreadHandle thread = nullptr;
    SignalHandle work = nullptr;
};

// Blocks are numbered in stream order from the start; block n sits in slot n % slots and is
// decoded by decoder n % decoders, where decoder 0 is the worker itself and helper h takes
// h, h + decoders, ... in turn, one for each raise of its signal.
u32 g_decoders = 1;
u32 g_slots = 0;
Slot* g_slot = nullptr;
u32 g_taken = 0;  // the next block the worker takes
u32 g_read = 0;   // the next block to read
bool g_stopping = false;

Slot& SlotOf(u32 n) { return g_slot[n % g_slots]; }

void Decode(Slot& s) { s.sound = DecodeStoredBlock(s.block, s.buffer, &s.length, DecodeCapacity); }

u32 Helper(void* parameter) {
    u32 h = static_cast<u32>(reinterpret_cast<uptr>(parameter));
    for (u32 n = h;; n += g_decoders) {
        PlatformWaitSignal(g_slot[h].work);
        if (g_stopping) return 0;
        Decode(SlotOf(n));
        PlatformRaiseSignal(SlotOf(n).decoded);
    }
}

void Hand(u32 n) {
    if (n % g_decoders) PlatformRaiseSignal(g_slot[n % g_decoders].work);
}

// Decoded block n, by the worker now or by its helper.
void Await(u32 n) {
    if (n % g_decoders) PlatformWaitSignal(SlotOf(n).decoded);
    else Decode(SlotOf(n));
}

void ReadAhead(u32 current) {
    while (!g_setup.Cancelled && g_read - current < g_slots && SlotOf(g_read - 1).block.storedLength) {
        Slot& s = SlotOf(g_read);
        if (!ReadStoredBlockQuietly(StubReader(), s.buffer, DecodeCapacity, &s.block)) return;
        Hand(g_read++);
    }
}
}  // namespace

void StartBlockDecoders() {
    u32 decoders = PlatformProcessorCount();
    if (decoders < 2) return;
    if (decoders > MaxDecoders) decoders = MaxDecoders;
    g_slots = decoders * SlotsPerDecoder;
    bool ready = true;
    g_slot = new Slot[g_slots];
    for (u32 k = 0; k < g_slots; ++k) {
        g_slot[k].buffer = new u8[DecodeCapacity];
        g_slot[k].decoded = PlatformCreateSignal();
        ready = ready && g_slot[k].decoded;
    }
    g_taken = g_read = 0;
    g_decoders = decoders;
    for (u32 h = 1; ready && h < decoders; ++h) {
        Slot& helper = g_slot[h];
        helper.work = PlatformCreateSignal();
        if (helper.work) helper.thread = PlatformStartJoinableThread(Helper, reinterpret_cast<void*>(static_cast<uptr>(h)));
        ready = helper.thread != nullptr;
    }
    // Short of anything, the helpers that did start are stopped: one processor's way.
    if (!ready) StopBlockDecoders();
}

void StopBlockDecoders() {
    g_stopping = true;
    for (u32 k = 0; k < g_slots; ++k) {
        Slot& s = g_slot[k];
        if (s.thread) {
            PlatformRaiseSignal(s.work);
            PlatformJoinThread(s.thread);
        }
        if (s.work) PlatformCloseSignal(s.work);
        if (s.decoded) PlatformCloseSignal(s.decoded);
        delete[] s.buffer;
    }
    delete[] g_slot;
    g_slot = nullptr;
    g_decoders = 1;
    g_slots = 0;
    g_stopping = false;
}

BlockStatus ReadFileBlock(u8* buffer, FileBlock* block) {
    Slot one;
    one.buffer = buffer;
    Slot& s = g_decoders > 1 ? SlotOf(g_taken) : one;
    if (g_decoders == 1 || g_read == g_taken) {
        BlockStatus status = ReadStoredBlock(StubReader(), s.buffer, DecodeCapacity, &s.block);
        if (status != BlockStatus::Sound) return status;
        if (g_decoders == 1) Decode(s);
        else Hand(g_read++);
    }
    if (g_decoders > 1) {
        ReadAhead(g_taken);
        Await(g_taken++);
    }
    block->bytes = s.buffer;
    block->length = s.length;
    block->end = s.block.storedLength == 0;
    return s.sound ? BlockStatus::Sound : BlockStatus::Damaged;
}

void DropReadAhead() {
    for (; g_taken != g_read; ++g_taken)
        if (g_taken % g_decoders) PlatformWaitSignal(SlotOf(g_taken).decoded);
}
