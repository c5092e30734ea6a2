// The wizard on Windows: a property sheet in wizard mode. comctl32 is loaded as a system
// library (LoadSystemLibrary) and PropertySheetA looked up in it, never linked: an import would
// let the loader take a comctl32.dll from the Stub's own folder before any code of ours runs.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>

#include "platform/Wizard.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/TestHooks.h"

static_assert(sizeof(SheetNotification) == sizeof(NMHDR));
static_assert(offsetof(SheetNotification, sheet) == offsetof(NMHDR, hwndFrom));
static_assert(offsetof(SheetNotification, code) == offsetof(NMHDR, code));

namespace {
using PropertySheetFunction = INT_PTR(WINAPI*)(LPCPROPSHEETHEADERA);

// Every page has this procedure; the page's own procedure travels in its page record,
// which the sheet hands over with WM_INITDIALOG, and then lives in the page's user slot.
INT_PTR CALLBACK PageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        DialogHandler handler = reinterpret_cast<DialogHandler>(reinterpret_cast<PROPSHEETPAGEA_V1*>(lParam)->lParam);
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(handler));
        return handler(page, message, wParam, 0);
    }
    DialogHandler handler = reinterpret_cast<DialogHandler>(GetWindowLongPtrA(page, DWLP_USER));
    return handler ? handler(page, message, wParam, lParam) : FALSE;
}
}  // namespace

iptr PlatformRunWizard(InstanceHandle instance, WindowHandle owner, const WizardPage* pages, u32 count) {
    HMODULE library = static_cast<HMODULE>(LoadSystemLibrary("comctl32.dll"));
    auto propertySheet = library ? reinterpret_cast<PropertySheetFunction>(
                                       reinterpret_cast<void*>(GetProcAddress(library, "PropertySheetA")))
                                 : nullptr;
    if (!propertySheet || count == 0 || count > 5) {
        TraceEvent("wizard", static_cast<u32>(-1));
        return -1;
    }
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    // The sheet walks the array by each record's dwSize, so the records are exactly of the
    // first version's size, which every comctl32 accepts.
    PROPSHEETPAGEA_V1 records[5] = {};
    for (u32 i = 0; i < count; ++i) {
        records[i].dwSize = sizeof records[i];
        records[i].dwFlags = PSP_USEICONID;
        records[i].hInstance = module;
        records[i].pszTemplate = MAKEINTRESOURCEA(pages[i].templateId);
        records[i].pszIcon = MAKEINTRESOURCEA(1);
        records[i].pfnDlgProc = PageProcedure;
        records[i].lParam = reinterpret_cast<LPARAM>(pages[i].procedure);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_NOAPPLYNOW;  // 0xAC
    header.hwndParent = static_cast<HWND>(owner);
    header.hInstance = module;
    header.pszIcon = MAKEINTRESOURCEA(1);
    header.pszCaption = "Property Sheet Title";
    header.nPages = count;
    header.nStartPage = 0;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(records);
    INT_PTR result = propertySheet(&header);
    TraceEvent("wizard", static_cast<u32>(result));
    return result;
}
