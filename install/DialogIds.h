// The engine's dialog templates and their controls, shared by the code and the resource
// script (which the resource compiler reads too: plain defines only).
#pragma once

#define PROGRESS_DIALOG 112
#define NEWER_FILE_DIALOG 116
#define SHARED_FILE_DIALOG 117

// Progress dialog.
#define PROGRESS_STATUS_TEXT 1000
#define PROGRESS_TOTAL_BAR 1005
#define PROGRESS_FILE_BAR 1006
#define PROGRESS_CANCEL 2

// Both overwrite questions.
#define OVERWRITE_PATH_EDIT 1007
#define OVERWRITE_REPLACE 1008
#define OVERWRITE_KEEP 1009
#define OVERWRITE_ALL 1010
