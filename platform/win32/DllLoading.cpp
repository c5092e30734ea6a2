#include "platform/win32/DllLoading.h"

#include <windows.h>

#include "platform/win32/TestHooks.h"

namespace {
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
using InitCommonControlsFunction = void(WINAPI*)();

// Looked up at run time: older systems lack both.
void* Kernel32Function(const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name));
}
}  // namespace

void RestrictLibrarySearch() {
    if (TestHardeningDisabled()) return;
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(Kernel32Function("SetDefaultDllDirectories"));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it, at least take the current folder out of the search.
    auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(Kernel32Function("SetDllDirectoryA"));
    if (setDirectory) setDirectory("");
}

void* LoadSystemLibrary(const char* fileName) {
    if (TestHardeningDisabled()) return LoadLibraryA(fileName);
    // By name, so that the side-by-side assembly the manifest asks for (the current common
    // controls) is found; otherwise only the system folder is searched. Systems that do not
    // know the flag refuse the call and get the library by its full path.
    if (HMODULE library = LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return library;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(fileName) >= MAX_PATH) return nullptr;
    path[length] = '\\';
    lstrcpyA(path + length + 1, fileName);
    return LoadLibraryA(path);
}

void InitCommonControlsFromSystem() {
    HMODULE library = static_cast<HMODULE>(LoadSystemLibrary("comctl32.dll"));
    if (!library) return;
    auto init = reinterpret_cast<InitCommonControlsFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControls")));
    if (init) init();
}
