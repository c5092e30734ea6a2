// The wizard's page templates and the controls the code addresses, shared by the code and
// the resource script (which the resource compiler reads too: plain defines only).
#pragma once

#define WELCOME_PAGE 111
#define LICENCE_PAGE 101
#define PASSWORD_PAGE 115
#define DIRECTORY_PAGE 102
#define FOLDER_PAGE 114

// The one control of each page the code reads or fills, and the Directory page's estimate.
#define PAGE_FIELD 1000
#define PAGE_ESTIMATE 1006
