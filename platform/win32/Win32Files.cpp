// Files on Windows: sequential volume reads that tolerate other readers and writers,
// installed files written without sharing, and the calls that look up, move and delete.
#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/DllLoading.h"

namespace {
// A result of 0, or one that filled the buffer, means the text is missing or was cut.
bool Fits(DWORD length, u32 capacity) { return length != 0 && length < capacity; }

bool HasWildcard(const char* path) {
    for (; *path; ++path)
        if (*path == '*' || *path == '?') return true;
    return false;
}

u64 FromFileTime(const FILETIME& time) {
    return static_cast<u64>(time.dwLowDateTime) | (static_cast<u64>(time.dwHighDateTime) << 32);
}
}  // namespace

// On the NT family others may rename the file while it is read: a quiet Uninstaller moves
// its own running file, whose Package it holds open, out of the program folder. The older
// family refuses the sharing flag that allows it, and opens nothing.
FileHandle PlatformOpenForRead(const char* path) {
    DWORD renaming = GetVersion() & 0x80000000 ? 0 : FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | renaming, nullptr, OPEN_EXISTING,
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

FileHandle PlatformCreateForWrite(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool PlatformWrite(FileHandle file, const void* bytes, u32 count, u32* written) {
    DWORD done = 0;
    BOOL ok = WriteFile(file, bytes, count, &done, nullptr);
    *written = done;
    return ok != FALSE && done == count;
}

void PlatformSetLastWriteTime(FileHandle file, u64 fileTime) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(fileTime);
    time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SetFileTime(file, nullptr, nullptr, &time);
}

bool PlatformFindFile(const char* path, FoundFile* found) {
    // A plain name needs no search of its folder: one look-up gives the same answer.
    if (!HasWildcard(path)) {
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        if (!GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) return false;
        found->attributes = attributes.dwFileAttributes;
        found->lastWriteTime = FromFileTime(attributes.ftLastWriteTime);
        return true;
    }
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(path, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    found->attributes = data.dwFileAttributes;
    found->lastWriteTime = FromFileTime(data.ftLastWriteTime);
    return true;
}

bool PlatformFileAttributes(const char* path, u32* attributes) {
    DWORD value = GetFileAttributesA(path);
    if (value == INVALID_FILE_ATTRIBUTES) return false;
    *attributes = value;
    return true;
}

bool PlatformSetFileAttributes(const char* path, u32 attributes) { return SetFileAttributesA(path, attributes) != FALSE; }
bool PlatformCreateDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }
bool PlatformCreateGuardedDirectory(const char* path, const char* securityDescriptor) {
    // Looked up at run time: systems before Windows 2000 lack it and refuse the folder.
    using ConvertFunction = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    auto convert = reinterpret_cast<ConvertFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("advapi32.dll"), "ConvertStringSecurityDescriptorToSecurityDescriptorA")));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (!convert || !convert(securityDescriptor, 1 /* SDDL_REVISION_1 */, &attributes.lpSecurityDescriptor, nullptr))
        return false;
    // The descriptor is not freed: its few bytes go with the process, and LocalFree would be
    // one more import.
    return CreateDirectoryA(path, &attributes) != FALSE;
}
bool PlatformRemoveDirectory(const char* path) { return RemoveDirectoryA(path) != FALSE; }
bool PlatformDeleteFile(const char* path) { return DeleteFileA(path) != FALSE; }
bool PlatformMoveFile(const char* from, const char* to) { return MoveFileA(from, to) != FALSE; }
bool PlatformReplaceFile(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}
bool PlatformCopyFile(const char* from, const char* to) { return CopyFileA(from, to, FALSE) != FALSE; }

FileSearch PlatformFindFirstName(const char* pattern, char* name, u32 capacity) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    lstrcpynA(name, data.cFileName, static_cast<int>(capacity));
    return search;
}

bool PlatformFindNextName(FileSearch search, char* name, u32 capacity) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(search, &data)) return false;
    lstrcpynA(name, data.cFileName, static_cast<int>(capacity));
    return true;
}

void PlatformFindClose(FileSearch search) {
    if (search) FindClose(search);
}

bool PlatformFullPath(const char* path, char* out, u32 capacity) {
    return Fits(GetFullPathNameA(path, capacity, out, nullptr), capacity);
}

bool PlatformShortPath(const char* path, char* out, u32 capacity) {
    return Fits(GetShortPathNameA(path, out, capacity), capacity);
}

bool PlatformSetCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != FALSE; }

bool PlatformFileVersion(const char* path, u16 version[4]) {
    // Not one of the libraries the system always takes from its own folder: loaded by full
    // path, so a planted copy beside the setup is never used.
    using SizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    static HMODULE library = static_cast<HMODULE>(LoadSystemLibrary("version.dll"));
    if (!library) return false;
    auto size = reinterpret_cast<SizeFunction>(reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoSizeA")));
    auto info = reinterpret_cast<InfoFunction>(reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoA")));
    auto query = reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(GetProcAddress(library, "VerQueryValueA")));
    if (!size || !info || !query) return false;
    DWORD handle = 0;
    DWORD length = size(path, &handle);
    if (length == 0) return false;
    BYTE* buffer = new BYTE[length];
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    bool ok = info(path, 0, length, buffer) &&
              query(buffer, "\\", reinterpret_cast<LPVOID*>(&fixed), &fixedLength) && fixed;
    if (ok) {
        version[0] = HIWORD(fixed->dwFileVersionMS);
        version[1] = LOWORD(fixed->dwFileVersionMS);
        version[2] = HIWORD(fixed->dwFileVersionLS);
        version[3] = LOWORD(fixed->dwFileVersionLS);
    }
    delete[] buffer;
    return ok;
}

void PlatformMoveAtRestart(const char* from, const char* to) {
    MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
}

void PlatformWriteProfileString(const char* file, const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, file);
}
