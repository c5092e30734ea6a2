// What happens to a packaged file whose target already exists: the one question about
// overwriting at all, then the older-version and shared-file dialogs.
#pragma once
#include "package/FileRecord.h"
#include "platform/Handles.h"

enum class ExistingFile : u8 { Write, Skip, Cancel };

// Decides for an existing target whose last-write time is installedTime. Cancel has set
// Cancelled. The first private file asks once per run whether files may be overwritten;
// an installed file newer than the packaged one (by version, or by time when it has none)
// shows the older-version dialog until "Yes to All"; a shared file of exactly the packaged
// time shows the shared-file dialog every time.
ExistingFile DecideExistingFile(WindowHandle dialog, const char* path, const FileRecord& record, u64 installedTime);

// The dialog procedure of both questions: the path in the read-only edit, and the pressed
// button's id as the result.
bool OverwriteDialogProc(WindowHandle dialog, unsigned message, uptr wParam, iptr lParam);
