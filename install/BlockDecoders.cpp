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
};

// Blocks are numbered in stream order from the start; block n sits in slot n % slots and is
// decoded by decoder n % decoders, where decoder 0 is the worker itself and helper h takes
// h, h + decoders, ... in turn, one for each raise of its signal.
u32 g_decoders = 1;
u32 g_slots = 0;
Slot* g_slot = nullptr;
SignalHandle g_work[MaxDecoders];
ThreadHandle g_thread[MaxDecoders];
u32 g_taken = 0;  // the next block the worker takes
u32 g_read = 0;   // the next block to read
bool g_stopping = false;

Slot& SlotOf(u32 n) { return g_slot[n % g_slots]; }

void Decode(Slot& s) { s.sound = DecodeStoredBlock(s.block, s.buffer, &s.length, DecodeCapacity); }

u32 Helper(void* parameter) {
    u32 h = static_cast<u32>(reinterpret_cast<uptr>(parameter));
    for (u32 n = h;; n += g_decoders) {
        PlatformWaitSignal(g_work[h]);
        if (g_stopping) return 0;
        Decode(SlotOf(n));
        PlatformRaiseSignal(SlotOf(n).decoded);
    }
}

void Hand(u32 n) {
    if (n % g_decoders) PlatformRaiseSignal(g_work[n % g_decoders]);
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
        g_work[h] = PlatformCreateSignal();
        g_thread[h] = g_work[h] ? PlatformStartJoinableThread(Helper, reinterpret_cast<void*>(static_cast<uptr>(h))) : nullptr;
        ready = g_thread[h] != nullptr;
    }
    // Short of anything, the helpers that did start are stopped: one processor's way.
    if (!ready) StopBlockDecoders();
}

void StopBlockDecoders() {
    g_stopping = true;
    for (u32 h = 1; h < g_decoders; ++h) {
        if (g_thread[h]) {
            PlatformRaiseSignal(g_work[h]);
            PlatformJoinThread(g_thread[h]);
        }
        if (g_work[h]) PlatformCloseSignal(g_work[h]);
        g_thread[h] = g_work[h] = nullptr;
    }
    for (u32 k = 0; k < g_slots; ++k) {
        delete[] g_slot[k].buffer;
        if (g_slot[k].decoded) PlatformCloseSignal(g_slot[k].decoded);
    }
    delete[] g_slot;
    g_slot = nullptr;
    g_decoders = 1;
    g_slots = 0;
    g_stopping = false;
}

BlockStatus ReadFileBlock(u8* buffer, FileBlock* block) {
    Slot one = {buffer, {}, 0, false, nullptr};
    Slot& s = g_decoders > 1 ? SlotOf(g_taken) : one;
    if (g_decoders == 1 || g_read == g_taken) {
        BlockStatus status = ReadStoredBlock(StubReader(), s.buffer, DecodeCapacity, &s.block);
        if (status != BlockStatus::Sound) return status;
        if (g_decoders == 1) Decode(s);
        else {
            Hand(g_read++);
            ReadAhead(g_taken);
        }
    } else {
        ReadAhead(g_taken);
    }
    if (g_decoders > 1) Await(g_taken++);
    block->bytes = s.buffer;
    block->length = s.length;
    block->end = s.block.storedLength == 0;
    return s.sound ? BlockStatus::Sound : BlockStatus::Damaged;
}

void DropReadAhead() {
    for (; g_taken != g_read; ++g_taken)
        if (g_taken % g_decoders) PlatformWaitSignal(SlotOf(g_taken).decoded);
}
