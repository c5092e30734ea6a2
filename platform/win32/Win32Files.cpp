// Files on Windows: sequential volume reads that tolerate other readers and writers, and copies.
#include <windows.h>

#include "platform/Files.h"

FileHandle PlatformOpenForRead(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool PlatformRead(FileHandle file, void* buffer, u32 count, u32* got) {
    DWORD read = 0;
    BOOL ok = ReadFile(file, buffer, count, &read, nullptr);
    *got = read;
    return ok != FALSE;
}

u32 PlatformFileSize(FileHandle file) { return GetFileSize(file, nullptr); }

void PlatformSeek(FileHandle file, u32 offset) {
    SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
}

void PlatformClose(FileHandle file) {
    if (file) CloseHandle(file);
}

bool PlatformCopyFile(const char* from, const char* to) { return CopyFileA(from, to, FALSE) != FALSE; }
