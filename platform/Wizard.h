// A wizard-mode property sheet: pages made from the program's dialog templates, shown one
// after the other in one modal sheet with Back, Next, Finish and Cancel. The pages' windows
// and controls are reached through platform/Window.h and platform/Dialogs.h.
#pragma once
#include "platform/Dialogs.h"
#include "platform/Handles.h"

// One page of the sheet: its dialog template and the procedure that gets its messages.
// WM_INITDIALOG comes once, when the sheet first shows the page; its parameter is not the
// program's to read.
struct WizardPage {
    int templateId;
    DialogHandler procedure;
};

// Shows the pages in a modal wizard owned by owner, starting at the first. Greater than 0
// when the user finished with Finish, 0 when the user cancelled (and a page let it
// happen), below 0 when the sheet could not be shown at all.
iptr PlatformRunWizard(InstanceHandle instance, WindowHandle owner, const WizardPage* pages, u32 count);

// What a WM_NOTIFY's long parameter points to: laid out as the system lays out the header
// of every notification.
struct SheetNotification {
    WindowHandle sheet;  // the sender
    uptr id;
    unsigned code;
};
inline int NotificationCode(iptr lParam) {
    return static_cast<int>(reinterpret_cast<const SheetNotification*>(lParam)->code);
}
inline WindowHandle NotificationSheet(iptr lParam) { return reinterpret_cast<const SheetNotification*>(lParam)->sheet; }

// The sheet's notifications to its pages.
enum : int {
    SheetSetActive = -200,   // the page is about to be shown
    SheetWizardBack = -206,  // Back was pressed
    SheetWizardNext = -207,
    SheetWizardFinish = -208,
    SheetQueryCancel = -209,  // Cancel was pressed: a page answers non-zero to refuse
};
// The answer by which a page refuses to let the sheet move on from Back or Next.
constexpr iptr SheetStayOnPage = -1;

// Sets which wizard buttons the sheet enables: post it with wParam 0 and the buttons in
// lParam.
enum : unsigned { SheetSetWizardButtons = 0x0400 + 112 };
enum : u32 { WizardButtonBack = 1, WizardButtonNext = 2, WizardButtonFinish = 4 };
