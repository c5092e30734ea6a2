// The few pieces of the C++ runtime the Stub needs, without exceptions: allocation over the
// process heap, and the library's error paths as a fatal message. Defining them here keeps
// the exception machinery and its 200 KiB out of the executable.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {
[[noreturn]] void Fatal(const char* text) {
    MessageBoxA(nullptr, text, "ZelSetup", MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

// Out of memory is as fatal as any other broken assumption: no caller checks for null.
void* Allocate(std::size_t size) {
    void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (!p) Fatal("Out of memory!");
    return p;
}
void Release(void* p) {
    if (p) HeapFree(GetProcessHeap(), 0, p);
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

extern "C" void __cxa_pure_virtual() { Fatal("Internal error."); }

// Function-local statics: the library's thread-safe guards would bring in the exception
// machinery. Every such static is first reached on the main thread, before the worker
// thread exists, so a plain flag is enough.
extern "C" int __cxa_guard_acquire(unsigned long long* guard) { return *reinterpret_cast<char*>(guard) == 0; }
extern "C" void __cxa_guard_release(unsigned long long* guard) { *reinterpret_cast<char*>(guard) = 1; }
extern "C" void __cxa_guard_abort(unsigned long long*) {}

namespace std {
void __throw_bad_alloc() { Fatal("Out of memory!"); }
void __throw_bad_array_new_length() { Fatal("Out of memory!"); }
void __throw_length_error(const char*) { Fatal("Internal error."); }
void __throw_logic_error(const char*) { Fatal("Internal error."); }
void __throw_out_of_range(const char*) { Fatal("Internal error."); }
void __throw_out_of_range_fmt(const char*, ...) { Fatal("Internal error."); }
void __throw_invalid_argument(const char*) { Fatal("Internal error."); }
void __throw_bad_function_call() { Fatal("Internal error."); }
}  // namespace std
