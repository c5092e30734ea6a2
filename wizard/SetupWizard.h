// The SetupWizard's pages: their procedures, the cancel question they share, the centring of
// the sheet, and the running of the sheet with the pages SetupState calls for.
#pragma once
#include "platform/Handles.h"
#include "wizard/PageIds.h"

bool WelcomePage(WindowHandle page, unsigned message, uptr wParam, iptr lParam);
bool LicencePage(WindowHandle page, unsigned message, uptr wParam, iptr lParam);
bool PasswordPage(WindowHandle page, unsigned message, uptr wParam, iptr lParam);
bool DirectoryPage(WindowHandle page, unsigned message, uptr wParam, iptr lParam);
bool FolderPage(WindowHandle page, unsigned message, uptr wParam, iptr lParam);

// Asks whether the user really wants to cancel; the page's answer lets the cancel go ahead
// only on Yes. Returns true (the notification is handled).
bool ConfirmCancel(WindowHandle page);
// Puts the sheet in the middle of its owner's client area, keeping its size and z-order.
void CentreSheet(WindowHandle sheet);

// Places the pages for the current SetupState (setting LastPage) and runs the sheet, owned by
// owner: greater than 0 on Finish, 0 when cancelled, below 0 when no sheet could be shown.
iptr RunSetupWizard(InstanceHandle instance, WindowHandle owner);
