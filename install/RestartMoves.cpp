#include "install/RestartMoves.h"

#include "platform/Files.h"
#include "platform/System.h"
#include "state/SetupState.h"

namespace {
const char RenameList[] = "WININIT.INI";
const char RenameSection[] = "rename";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (Lower(*a) != Lower(*b)) return false;
    return *a == *b;
}
}  // namespace

bool IsNtPlatform() { return PlatformIsNt(); }

void DeferredReplace(const char* target, const char* source) {
    if (IsNtPlatform()) {
        PlatformMoveAtRestart(source, target);
    } else {
        char shortTarget[PathCapacity];
        char shortSource[PathCapacity];
        // A target the rename list cannot spell as it is goes to the Finalizer.
        if (!PlatformShortPath(target, shortTarget, sizeof shortTarget) || !SameIgnoringCase(shortTarget, target)) {
            g_setup.FinalizeNeeded = true;
        } else if (PlatformShortPath(source, shortSource, sizeof shortSource)) {
            PlatformWriteProfileString(RenameList, RenameSection, shortTarget, shortSource);
        } else {
            g_setup.FinalizeNeeded = true;
        }
    }
    g_setup.RebootNeeded = true;
}

void DeferredDelete(const char* path) {
    if (IsNtPlatform()) {
        PlatformMoveAtRestart(path, nullptr);
    } else {
        char shortPath[PathCapacity];
        if (PlatformShortPath(path, shortPath, sizeof shortPath))
            PlatformWriteProfileString(RenameList, RenameSection, "NUL", shortPath);
    }
    g_setup.RebootNeeded = true;
}
