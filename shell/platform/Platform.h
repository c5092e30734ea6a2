// The thin layer over the operating system. The Stub links the Win32 implementation;
// tests and the packwright tool link the host one (files on disk, scripted answers).
#pragma once
#include "state/SetupState.h"
#include "state/Types.h"

// Message-box styles and answers, with the values the system uses.
enum : unsigned {
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbYesNoCancel = 0x3,
    MbYesNo = 0x4,
    MbRetryCancel = 0x5,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
    MbSetForeground = 0x10000,
    MbTopmost = 0x40000,
};
enum : int { IdOk = 1, IdCancel = 2, IdRetry = 4, IdYes = 6, IdNo = 7 };

constexpr u32 PathCapacity = 256;

// Full path of the running executable; false when it cannot be had or does not fit.
bool PlatformModulePath(char* buffer, u32 capacity);

// The u32 stored after the package locator's marker in the running executable.
u32 PlatformLocatorOffset();

// Opens an existing file for sequential reading, sharing read and write; null on failure.
FileHandle PlatformOpenForRead(const char* path);
// Reads up to count bytes; false on a read error. *got receives the bytes read (0 at the end).
bool PlatformRead(FileHandle file, void* buffer, u32 count, u32* got);
// Size of the whole file.
u32 PlatformFileSize(FileHandle file);
// Moves the read position to offset bytes from the beginning.
void PlatformSeek(FileHandle file, u32 offset);
void PlatformClose(FileHandle file);

// A standard modal message box; returns the answer (IdOk, IdCancel, IdRetry ...).
int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style);

// Ends the process at once, without clean-up.
[[noreturn]] void PlatformExitProcess(int code);
