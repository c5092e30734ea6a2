#include "install/ProgressDialog.h"

#include "install/DialogIds.h"
#include "install/InstallLogWriter.h"
#include "install/InstallWorker.h"
#include "platform/Dialogs.h"
#include "platform/Threads.h"
#include "platform/Window.h"
#include "state/SetupState.h"

bool ProgressDialogProc(WindowHandle dialog, unsigned message, uptr wParam, iptr) {
    switch (message) {
        case MessageInitDialog: PlatformPostMessageWith(dialog, StartWorkerMessage, 0, 0); return false;
        case MessageCommand:
            // The worker polls the flag before each block and asks the user to confirm.
            if (((wParam >> 16) & 0xFFFF) == 0 && (wParam & 0xFFFF) == PROGRESS_CANCEL) g_setup.Cancelled = true;
            return true;
        case StartWorkerMessage:
            if (!PlatformStartThread(InstallWorker, dialog)) {
                g_setup.InstallOk = false;  // nothing was installed
                PlatformEndDialog(dialog, 0);
            }
            return true;
        default: return false;
    }
}

bool RunProgressDialog(InstanceHandle instance, WindowHandle owner) {
    PlatformDialogBox(instance, PROGRESS_DIALOG, owner, ProgressDialogProc, 0);
    CloseInstallLog();
    return !g_setup.Cancelled;
}

bool RunWithoutDialog() {
    InstallWorker(nullptr);
    CloseInstallLog();
    return !g_setup.Cancelled;
}
