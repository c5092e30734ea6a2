// The shell: the folders it knows, shortcuts, and opening a program or document.
#pragma once
#include "platform/Handles.h"

// The folders path macros stand for, by the system's numbers.
enum : int { FolderDesktop = 0, FolderPrograms = 2, FolderStartUp = 7, FolderStartMenu = 11 };
// The system's folder for installed programs ("C:\Program Files").
enum : int { FolderProgramFiles = 0x26 };
// A special folder of the current user; false when the system cannot name it.
bool PlatformSpecialFolder(int folder, char* out, u32 capacity);
bool PlatformSystemDirectory(char* out, u32 capacity);

// The component library a thread needs before it makes shortcuts.
void PlatformComInitialize();
void PlatformComUninitialize();
// Saves a shortcut at `link` that opens target with arguments in workingDirectory; true
// when the file was saved.
bool PlatformCreateShortcut(const char* link, const char* target, const char* arguments, const char* workingDirectory);

// Opens a program or document the way the shell opens it when it is double-clicked.
void PlatformShellOpen(WindowHandle owner, const char* file);
