// The progress dialog's controls as the worker changes them, and the lines it reads from
// the Package.
#pragma once
#include "platform/Handles.h"
#include "state/Types.h"

// Progress-bar messages with the system's values.
enum : unsigned { ProgressSetRange = 1025, ProgressSetPosition = 1026, ProgressDeltaPosition = 1027 };

// Looks the dialog's controls up once for the worker's run (null: forget them).
void BindProgressControls(WindowHandle dialog);

void SetStatusText(WindowHandle dialog, const char* text);
void ShowControl(WindowHandle dialog, int id, bool show);
// A bar back at 0 with the range 0 to maximum (only its low 16 bits count).
void ResetBar(WindowHandle dialog, int id, u32 maximum);
// One DataBlock done: a step of the whole installation's bar and of the file's.
void StepProgress(WindowHandle dialog);

// One CountedString of the Package into line (256 bytes), raw bytes as stored and
// NUL-terminated: its length, or -1 when the read failed (Cancelled is then set).
int ReadPackageLine(u8* line);
