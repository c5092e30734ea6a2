#include "wizard/WizardRules.h"

#include <cstring>

#include "package/Password.h"
#include "platform/Wizard.h"
#include "state/SetupState.h"

WizardPlan PlanWizardPages(bool licence, bool password, bool directory, bool folder) {
    WizardPlan plan = {{}, 0, WelcomeKind};
    auto place = [&plan](int kind) {
        plan.kinds[plan.count++] = kind;
        plan.lastPage = kind;
    };
    place(WelcomeKind);
    if (licence) place(LicenceKind);
    if (password) place(PasswordKind);
    if (directory) place(DirectoryKind);
    if (folder) place(FolderKind);
    return plan;
}

u32 WizardButtons(int kind, int lastPage) {
    u32 forward = kind == lastPage ? WizardButtonFinish : WizardButtonNext;
    return kind == WelcomeKind ? forward : WizardButtonBack | forward;
}

bool PasswordMatches(const char* typed, u32 storedChecksum) {
    return PasswordChecksumOf(typed, static_cast<u32>(std::strlen(typed))) == storedChecksum;
}

bool IsFullDirectory(const char* directory) {
    char letter = static_cast<char>(directory[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && directory[1] == ':' && (directory[2] == '\\' || !directory[2]);
}

void TakeFieldText(char** field, const char* typed) {
    u32 length = static_cast<u32>(std::strlen(typed));
    if (length == 0) return;
    if (typed[length - 1] == '\\') --length;
    delete[] * field;
    *field = CopyString(typed, length);
}
