#include "shell/QuietRun.h"

#include "install/RunAccount.h"
#include "platform/Dialogs.h"
#include "shell/CommandLine.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"

bool ReadSwitches(const char* tail) {
    // The values stay in this copy for the life of the process.
    if (!ParseSwitches(CopyString(tail), &g_run)) return false;
    if (QuietRun()) PlatformAnswerMessageBoxes(QuietAnswer);
    if (g_run.log) OpenRunAccount(g_run.log);
    return true;
}

int QuietAnswer(unsigned style) {
    switch (style & 0xF) {
        case MbOk: return IdOk;
        case MbYesNo: return style & MbDefaultButton2 ? IdNo : IdYes;
        case MbYesNoCancel: return IdYes;
        default:
            g_run.gaveUp = true;
            return IdCancel;
    }
}

int QuietExit(int code) {
    if (QuietRun()) AccountNumber("exit code", code);
    return code;
}
