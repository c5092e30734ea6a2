#include "wizard/SetupWizard.h"

#include "platform/Dialogs.h"
#include "platform/Window.h"
#include "platform/Wizard.h"
#include "state/SetupState.h"
#include "state/Text.h"
#include "wizard/DiskEstimate.h"
#include "wizard/WizardRules.h"

namespace {
const char WelcomeFormat[] = "This program will install %s onto your computer. If you wish to continue, click Next.";
const char CancelQuestion[] = "Do you REALLY want to cancel this installation?";
const char CancelCaption[] = "Confirm";
const char WrongPasswordText[] =
    "Password is incorrect. You must enter the proper password to continue the installation.";
const char WrongPasswordCaption[] = "Password Error";
const char PartialDirectoryText[] = "The directory must start with a drive, such as C:\\Apps.";
const char PartialDirectoryCaption[] = "Directory Error";

const char* TextOrEmpty(const char* text) { return text ? text : ""; }

void SetFieldText(WindowHandle page, const char* text) {
    PlatformSetText(PlatformDialogItem(page, PAGE_FIELD), TextOrEmpty(text));
}

// What every page does with the sheet's notifications: enable its buttons when it becomes
// the current page (posted: the sheet applies them once the page is up), and ask before a
// cancel. False for any other message or notification.
bool HandleSheetNotification(WindowHandle page, int kind, unsigned message, iptr lParam) {
    if (message != MessageNotify) return false;
    switch (NotificationCode(lParam)) {
        case SheetSetActive:
            PlatformPostMessageWith(NotificationSheet(lParam), SheetSetWizardButtons, 0,
                                    static_cast<iptr>(WizardButtons(kind, g_setup.LastPage)));
            return true;
        case SheetQueryCancel: return ConfirmCancel(page);
        default: return false;
    }
}

bool IsLeaving(int code) { return code == SheetWizardBack || code == SheetWizardNext || code == SheetWizardFinish; }

void StayOnPage(WindowHandle page, const char* text, const char* caption) {
    PlatformMessageBox(page, text, caption, MbOk | MbIconError);
    PlatformSetDialogResult(page, SheetStayOnPage);
}

// The Directory and Folder pages take their field whichever way the user leaves them. Going
// forward, a directory must start with a drive (an empty field stands for the one
// proposed): a partial path would install wherever the installer happens to run. Back takes
// it as it is; it is checked again on the way forward.
bool TakeFieldOnLeaving(WindowHandle page, unsigned message, iptr lParam, char** field, bool directory) {
    if (message != MessageNotify || !IsLeaving(NotificationCode(lParam))) return false;
    char typed[PathCapacity];
    PlatformGetText(PlatformDialogItem(page, PAGE_FIELD), typed, sizeof typed);
    if (directory && NotificationCode(lParam) != SheetWizardBack && !IsFullDirectory(typed[0] ? typed : *field))
        StayOnPage(page, PartialDirectoryText, PartialDirectoryCaption);
    else
        TakeFieldText(field, typed);
    return true;
}

// The typed password is checked going forward only; Back never asks for it.
bool CheckPasswordGoingOn(WindowHandle page, unsigned message, iptr lParam) {
    if (message != MessageNotify) return false;
    int code = NotificationCode(lParam);
    if (code != SheetWizardNext && code != SheetWizardFinish) return false;
    char typed[PathCapacity];
    PlatformGetText(PlatformDialogItem(page, PAGE_FIELD), typed, sizeof typed);
    if (!PasswordMatches(typed, g_setup.PasswordChecksum)) StayOnPage(page, WrongPasswordText, WrongPasswordCaption);
    return true;
}
}  // namespace

bool ConfirmCancel(WindowHandle page) {
    int answer = PlatformMessageBox(page, CancelQuestion, CancelCaption, MbIconQuestion | MbYesNo);
    PlatformSetDialogResult(page, answer == IdYes ? 0 : 1);
    return true;
}

void CentreSheet(WindowHandle sheet) {
    WindowRect r = PlatformWindowRect(sheet);
    WindowRect c = PlatformClientRect(PlatformParent(sheet));
    int x = (c.right - (r.right - r.left) - 1) / 2;
    int y = (c.bottom - (r.bottom - r.top) - 1) / 2;
    PlatformMoveWindow(sheet, x, y);
}

bool WelcomePage(WindowHandle page, unsigned message, uptr, iptr lParam) {
    if (message == MessageInitDialog) {
        char text[512];
        FormatWithString(text, sizeof text, WelcomeFormat, TextOrEmpty(g_setup.ProductTitle));
        SetFieldText(page, text);
        return true;
    }
    if (message == MessageShowWindow) {
        // Shown or hidden alike: a sheet dragged away comes back to the middle.
        CentreSheet(PlatformParent(page));
        return false;
    }
    return HandleSheetNotification(page, WelcomeKind, message, lParam);
}

bool LicencePage(WindowHandle page, unsigned message, uptr, iptr lParam) {
    if (message == MessageInitDialog) {
        SetFieldText(page, g_setup.LicenceText);
        return true;
    }
    return HandleSheetNotification(page, LicenceKind, message, lParam);
}

bool PasswordPage(WindowHandle page, unsigned message, uptr, iptr lParam) {
    if (message == MessageInitDialog) return true;
    return HandleSheetNotification(page, PasswordKind, message, lParam) || CheckPasswordGoingOn(page, message, lParam);
}

bool DirectoryPage(WindowHandle page, unsigned message, uptr, iptr lParam) {
    if (message == MessageInitDialog) {
        SetFieldText(page, g_setup.ProgramDir);
        if (g_setup.ProgramDirFixed) PlatformEnableWindow(PlatformDialogItem(page, PAGE_FIELD), false);
        EstimateDiskSpace(page);
        return true;
    }
    return HandleSheetNotification(page, DirectoryKind, message, lParam) ||
           TakeFieldOnLeaving(page, message, lParam, &g_setup.ProgramDir, true);
}

bool FolderPage(WindowHandle page, unsigned message, uptr, iptr lParam) {
    if (message == MessageInitDialog) {
        SetFieldText(page, g_setup.ShortcutFolder);
        return true;
    }
    return HandleSheetNotification(page, FolderKind, message, lParam) ||
           TakeFieldOnLeaving(page, message, lParam, &g_setup.ShortcutFolder, false);
}

iptr RunSetupWizard(InstanceHandle instance, WindowHandle owner) {
    auto present = [](const char* text) { return text && *text; };
    WizardPlan plan = PlanWizardPages(g_setup.LicenceText != nullptr, g_setup.PasswordChecksum != 0,
                                      present(g_setup.ProgramDir), present(g_setup.ShortcutFolder));
    g_setup.LastPage = plan.lastPage;
    WizardPage pages[5];
    for (u32 i = 0; i < plan.count; ++i) {
        switch (plan.kinds[i]) {
            case WelcomeKind: pages[i] = {WELCOME_PAGE, WelcomePage}; break;
            case LicenceKind: pages[i] = {LICENCE_PAGE, LicencePage}; break;
            case PasswordKind: pages[i] = {PASSWORD_PAGE, PasswordPage}; break;
            case DirectoryKind: pages[i] = {DIRECTORY_PAGE, DirectoryPage}; break;
            default: pages[i] = {FOLDER_PAGE, FolderPage}; break;
        }
    }
    return PlatformRunWizard(instance, owner, pages, plan.count);
}
