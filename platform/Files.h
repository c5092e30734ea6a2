// Files and folders as the Stub uses them: its own volumes read sequentially, installed
// files written, looked up, moved and deleted, and replacements or deletions left to the
// next restart.
#pragma once
#include "platform/Handles.h"

// ---- Reading (the Package's volumes, the Stub itself) ----

// Opens an existing file for sequential reading, sharing read and write; null on failure.
FileHandle PlatformOpenForRead(const char* path);
// Reads up to count bytes; false on a read error. *got receives the bytes read (0 at the end).
bool PlatformRead(FileHandle file, void* buffer, u32 count, u32* got);
// Size of the whole file.
u32 PlatformFileSize(FileHandle file);
// Moves the read position to offset bytes from the beginning.
void PlatformSeek(FileHandle file, u32 offset);
void PlatformClose(FileHandle file);

// ---- Writing ----

// Creates (or empties) a file for sequential writing that nobody else may open meanwhile;
// null on failure.
FileHandle PlatformCreateForWrite(const char* path);
// Writes count bytes; *written receives what was written. False when the write failed.
bool PlatformWrite(FileHandle file, const void* bytes, u32 count, u32* written);
// Gives an open file its last-write time (a FILETIME), leaving the other times alone.
void PlatformSetLastWriteTime(FileHandle file, u64 fileTime);

// ---- Looking up, changing and removing ----

enum : u32 { FileAttributeReadOnly = 0x1, FileAttributeDirectory = 0x10, FileAttributeNormal = 0x80 };

struct FoundFile {
    u32 attributes;
    u64 lastWriteTime;  // FILETIME
};
// Looks the path up (a wildcard finds its first match); false when nothing is there.
bool PlatformFindFile(const char* path, FoundFile* found);
// Attributes of a path; false when nothing of that name exists.
bool PlatformFileAttributes(const char* path, u32* attributes);
bool PlatformSetFileAttributes(const char* path, u32 attributes);
bool PlatformCreateDirectory(const char* path);
// Creates a new folder with the access rules given in the system's text form of a security
// descriptor. Fails when anything of that name exists already, so a folder somebody else made
// beforehand, with rules of their choosing, is never taken for this one; fails as well on a
// system that cannot apply such rules.
bool PlatformCreateGuardedDirectory(const char* path, const char* securityDescriptor);
bool PlatformRemoveDirectory(const char* path);
bool PlatformDeleteFile(const char* path);
// Renames a file; fails when the new name exists.
bool PlatformMoveFile(const char* from, const char* to);
// Renames a file over an existing one in one step; the old file stays when it fails.
bool PlatformReplaceFile(const char* from, const char* to);
// Copies a file, replacing an existing target.
bool PlatformCopyFile(const char* from, const char* to);

// The names of the files in one folder that match a pattern such as "C:\App\*.NewTemp", in
// the order the system gives them. Returns null when there is none; the first name is in
// name. PlatformFindNextName gives the next one until it returns false.
using FileSearch = void*;
FileSearch PlatformFindFirstName(const char* pattern, char* name, u32 capacity);
bool PlatformFindNextName(FileSearch search, char* name, u32 capacity);
void PlatformFindClose(FileSearch search);

// The full path of a file as the system spells it; false when it does not fit.
bool PlatformFullPath(const char* path, char* out, u32 capacity);
// The 8.3 form of an existing path; false when it cannot be had.
bool PlatformShortPath(const char* path, char* out, u32 capacity);
bool PlatformSetCurrentDirectory(const char* path);

// The four parts of the version resource of a file (major, minor, build, revision); false
// when it has none or it cannot be read.
bool PlatformFileVersion(const char* path, u16 version[4]);

// ---- At the next restart ----

// Asks the system to move `from` over `to` at the next restart, or to delete `from` when
// `to` is null. The result is not known before the restart.
void PlatformMoveAtRestart(const char* from, const char* to);
// Writes key=value into a section of an initialisation file in the Windows directory (the
// older systems' list of renames at the next start).
void PlatformWriteProfileString(const char* file, const char* section, const char* key, const char* value);
