// The progress dialog's controls as the worker changes them.
//
// The worker reaches thousands of blocks and files a minute; redrawing the dialog for each
// would cost more than writing them (a bar repaints on every step, on the dialog's thread).
// So what the worker reaches is kept here and shown at most five times a second, and
// always before a question, a phase text and the dialog's end: nothing the dialog shows is
// ever behind what a question is about, and it ends showing the whole installation done.
#pragma once
#include "platform/Handles.h"
#include "state/Types.h"

// Progress-bar messages with the system's values.
enum : unsigned { ProgressSetRange = 1025, ProgressSetPosition = 1026, ProgressDeltaPosition = 1027 };

// Looks the dialog's controls up once for the worker's run (null: forget them).
void BindProgressControls(WindowHandle dialog);

// A phase ("Creating shortcuts..."): shown at once.
void SetStatusText(WindowHandle dialog, const char* text);
// The file being written, or a skip: shown with the next update.
void SetFileStatus(WindowHandle dialog, const char* text);
// Shows or hides a control. The file bar follows with the next update.
void ShowControl(WindowHandle dialog, int id, bool show);
// A bar back at 0 with the range 0 to maximum (only its low 16 bits count). The file bar
// follows with the next update.
void ResetBar(WindowHandle dialog, int id, u32 maximum);
// One DataBlock done: a step of the whole installation's bar and of the file's.
void StepProgress(WindowHandle dialog);
// Brings the dialog up to date now.
void FlushProgress(WindowHandle dialog);
