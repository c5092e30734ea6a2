// The wizard's decisions, apart from any window: which pages it shows, which buttons each
// page enables, whether a typed password is the right one, and how a typed directory or
// folder replaces the one in SetupState.
#pragma once
#include "state/Types.h"

// Every page's kind number. LastPage holds the kind of the last page placed; a page shows
// Finish instead of Next when that is its own kind. The numbers are not the pages' order:
// Password comes after Licence but has the smaller number.
enum : int { WelcomeKind = 0, PasswordKind = 1, LicenceKind = 2, DirectoryKind = 3, FolderKind = 4 };

struct WizardPlan {
    int kinds[5];  // in the order the sheet shows them; Welcome always first
    u32 count;
    int lastPage;
};

// The pages for a Package: Welcome; Licence when it has a licence text; Password when it
// has a password; Directory and Folder when the (remembered or default) program directory
// and start-menu folder are non-empty.
WizardPlan PlanWizardPages(bool licence, bool password, bool directory, bool folder);

// The buttons (WizardButton* of platform/Wizard.h) a page of this kind enables: Welcome never
// has Back; the last page has Finish where the others have Next.
u32 WizardButtons(int kind, int lastPage);

// True when typed, letters a to z taken as capitals, is the password whose checksum the
// Package holds. Only the first 255 characters count.
bool PasswordMatches(const char* typed, u32 storedChecksum);

// True when a directory starts with a drive ("C:\Apps", or "C:" as a taken "C:\" reads):
// anything else would be taken relative to wherever the installer runs.
bool IsFullDirectory(const char* directory);

// Takes what the user typed into a directory or folder field. Empty text keeps *field as it
// is; otherwise one trailing backslash goes ("C:\Apps\" is "C:\Apps", "C:\" is "C:") and the
// text replaces *field, an owned string of SetupState.
void TakeFieldText(char** field, const char* typed);
