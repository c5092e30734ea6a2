// The shell on Windows: special folders, shortcuts through the shell-link object, and
// opening a program or document.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>

#include "platform/Shell.h"

bool PlatformSpecialFolder(int folder, char* out, u32 capacity) {
    // The system writes up to MAX_PATH bytes, more than the program's path buffers hold:
    // the path goes through a buffer of that size and is refused when it does not fit.
    char path[MAX_PATH];
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, folder, &list) != S_OK || !list) return false;
    bool ok = SHGetPathFromIDListA(list, path) != FALSE;
    CoTaskMemFree(list);
    u32 length = ok ? static_cast<u32>(lstrlenA(path)) : 0;
    if (!ok || length >= capacity) return false;
    CopyMemory(out, path, length + 1);
    return true;
}

bool PlatformSystemDirectory(char* out, u32 capacity) {
    UINT length = GetSystemDirectoryA(out, capacity);
    return length != 0 && length < capacity;
}

void PlatformComInitialize() { OleInitialize(nullptr); }
void PlatformComUninitialize() { OleUninitialize(); }

bool PlatformCreateShortcut(const char* link, const char* target, const char* arguments, const char* workingDirectory) {
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    shellLink->SetPath(target);
    shellLink->SetArguments(arguments);
    shellLink->SetWorkingDirectory(workingDirectory);
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, link, -1, wide, MAX_PATH) > 0) saved = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    shellLink->Release();
    return saved;
}

void PlatformShellOpen(WindowHandle owner, const char* file) {
    ShellExecuteA(static_cast<HWND>(owner), nullptr, file, nullptr, nullptr, SW_SHOW);
}
