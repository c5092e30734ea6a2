// The system for tests: its family, disks and processors as the test sets them, restarts
// counted, and threads that are real but joined before the next test; signals are real too.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/System.h"
#include "platform/Threads.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
std::mutex g_mutex;
bool g_nt = true;
bool g_diskGeometryFails = false;
u32 g_sectorsPerCluster = 8;
u32 g_bytesPerSector = 512;
std::vector<std::string> g_geometryAsked;
int g_restarts = 0;
u32 g_processors = 1;
std::vector<std::thread> g_threads;
}  // namespace

namespace fake_state {
void ResetSystem() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_nt = true;
    g_diskGeometryFails = false;
    g_sectorsPerCluster = 8;
    g_bytesPerSector = 512;
    g_geometryAsked.clear();
    g_restarts = 0;
    g_processors = 1;
}
void JoinThreads() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        threads.swap(g_threads);
    }
    for (std::thread& t : threads) t.join();
}
}  // namespace fake_state

namespace fake {
void SetNt(bool nt) { g_nt = nt; }
void SetDiskGeometry(u32 sectorsPerCluster, u32 bytesPerSector) {
    g_sectorsPerCluster = sectorsPerCluster;
    g_bytesPerSector = bytesPerSector;
}
void FailDiskGeometry(bool fail) { g_diskGeometryFails = fail; }
std::vector<std::string> DiskGeometryAsked() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_geometryAsked;
}
int Restarts() { return g_restarts; }
void SetProcessorCount(u32 count) { g_processors = count; }
void JoinThreads() { fake_state::JoinThreads(); }
}  // namespace fake

bool PlatformIsNt() { return g_nt; }

bool PlatformDiskGeometry(const char* root, u32* sectorsPerCluster, u32* bytesPerSector) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_geometryAsked.push_back(root);
    if (g_diskGeometryFails) return false;
    *sectorsPerCluster = g_sectorsPerCluster;
    *bytesPerSector = g_bytesPerSector;
    return true;
}

void PlatformRestartSystem() { ++g_restarts; }

u32 PlatformProcessorCount() { return g_processors; }

u32 PlatformTickCount() {
    using namespace std::chrono;
    return static_cast<u32>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool PlatformStartThread(ThreadProcedure procedure, void* parameter) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_threads.emplace_back([procedure, parameter] { procedure(parameter); });
    return true;
}

ThreadHandle PlatformStartJoinableThread(ThreadProcedure procedure, void* parameter) {
    return new std::thread([procedure, parameter] { procedure(parameter); });
}

void PlatformJoinThread(ThreadHandle thread) {
    std::thread* t = static_cast<std::thread*>(thread);
    t->join();
    delete t;
}

namespace {
struct Signal {
    std::mutex mutex;
    std::condition_variable raised;
    u32 count = 0;
};
}  // namespace

SignalHandle PlatformCreateSignal() { return new Signal; }

void PlatformRaiseSignal(SignalHandle signal) {
    Signal* s = static_cast<Signal*>(signal);
    std::lock_guard<std::mutex> lock(s->mutex);
    ++s->count;
    s->raised.notify_one();
}

void PlatformWaitSignal(SignalHandle signal) {
    Signal* s = static_cast<Signal*>(signal);
    std::unique_lock<std::mutex> lock(s->mutex);
    s->raised.wait(lock, [s] { return s->count > 0; });
    --s->count;
}

void PlatformCloseSignal(SignalHandle signal) { delete static_cast<Signal*>(signal); }
