#include "state/SetupState.h"

#include "state/RunOptions.h"

#include <cstring>
#include <new>

SetupState g_setup;

char* CopyString(const char* text, u32 length) {
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

char* CopyString(const char* text) { return CopyString(text, static_cast<u32>(std::strlen(text))); }

void ResetSetupState() {
    char* owned[] = {g_setup.ProductTitle,   g_setup.FooterText,    g_setup.UninstallName,
                     g_setup.ProgramDir,     g_setup.ShortcutFolder, g_setup.LicenceText};
    for (char* s : owned) delete[] s;
    // Field by field: the atomic flags make the record neither copyable nor assignable.
    g_setup.~SetupState();
    new (&g_setup) SetupState();
    g_run = RunOptions();
}
