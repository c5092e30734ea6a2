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

// ---- Process start-up: directories, the Uninstaller's temporary copy, its mutex ----

using InstanceHandle = void*;
using DeviceContext = void*;

// The temporary and the Windows directory as the system reports them (the first usually
// with a trailing backslash); false when they cannot be had or do not fit.
bool PlatformTempDirectory(char* buffer, u32 capacity);
bool PlatformWindowsDirectory(char* buffer, u32 capacity);
// Copies a file, replacing an existing target.
bool PlatformCopyFile(const char* from, const char* to);
// Creates the named mutex owned by this process. The handle is never closed, so ownership
// ends only with the process.
void PlatformCreateOwnedMutex(const char* name);
// Opens or creates the named mutex without owning it and waits, without a time-out, until
// it is free or abandoned. Returns at once when the mutex cannot be had at all.
void PlatformWaitForMutex(const char* name);
// Starts a program with its own command line and working directory; false when it fails.
bool PlatformStartProcess(const char* commandLine, const char* workingDirectory);

// ---- The BackgroundWindow and the message loop ----

// Registers the window class and creates the full-screen popup window with that class and
// title; null when either fails.
WindowHandle PlatformCreateBackgroundWindow(InstanceHandle instance, const char* className, const char* title);
void PlatformInitCommonControls();
// Shows the window the default way, whatever the process was started with, and paints it.
void PlatformShowAndUpdate(WindowHandle window);
// Posts a message with both parameters 0.
void PlatformPostMessage(WindowHandle window, unsigned message);
// Runs the thread's message loop until getting a message fails; returns the wParam of the
// last message.
int PlatformRunMessageLoop();

// ---- Painting (only between PlatformBeginPaint and PlatformEndPaint; paints never nest) ----

DeviceContext PlatformBeginPaint(WindowHandle window);
void PlatformEndPaint(WindowHandle window, DeviceContext dc);
void PlatformClientSize(WindowHandle window, int* width, int* height);
// Fills a rectangle with a solid colour (0x00BBGGRR) through a brush made for this call.
void PlatformFillSolid(DeviceContext dc, int left, int top, int right, int bottom, u32 colour);
// Creates the bold italic roman font of the given cell height and selects it; returns the
// font it replaced, for PlatformRestoreFont, which selects that back and deletes ours.
void* PlatformSelectBannerFont(DeviceContext dc, int height);
void PlatformRestoreFont(DeviceContext dc, void* previous);
void PlatformSetTransparentText(DeviceContext dc);
// Text alignment flags with the system's values.
enum : unsigned { TextAlignLeftTop = 0, TextAlignRightBottom = 2 | 8 };
void PlatformSetTextAlignment(DeviceContext dc, unsigned alignment);
void PlatformTextOut(DeviceContext dc, int x, int y, const char* text, u32 length, u32 colour);
