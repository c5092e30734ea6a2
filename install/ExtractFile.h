// The file section: one FileRecord at a time, written (or, when the user keeps the
// installed file, stepped over) with its packaged time, logged for the Uninstaller, and,
// for a shared file, counted in the system's shared-file counts.
#pragma once
#include "platform/Handles.h"

// Processes the next FileRecord; dialog is the progress dialog, owner of every question.
// True: the record was written or skipped and the next may follow. False: the section has
// ended, at its end marker or through a failure or a cancellation.
bool ExtractFile(WindowHandle dialog);

// Whether the last ExtractFile read the section's end marker. Any other end leaves the
// Package in the middle of a file's data, from which nothing more may be read.
bool FileSectionEnded();
