// The Stub's entry point: narrow the library search before anything else can load one, then
// run start-up with the command-line tail taken from the process's own command line and the
// handlers of the three run modes.
#include <windows.h>

#include "platform/win32/DllLoading.h"
#include "platform/win32/TestHooks.h"
#include "remove/Finalizer.h"
#include "remove/Uninstaller.h"
#include "shell/CommandLine.h"
#include "shell/PlaceholderHandlers.h"
#include "shell/StartUp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    const char* tail = CommandLineTail(GetCommandLineA());
#ifdef PACKWRIGHT_TEST_BUILD
    char directory[MAX_PATH];
    char module[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    TraceText("module", module);
    TraceText("directory", directory);
    TraceText("tail", tail);
#endif
    const RunModeHandlers handlers = {CloseWithoutWork, RunUninstaller, RunFinalizer};
    int code = RunStartUp(instance, tail, handlers);
    TraceEvent("exit", static_cast<u32>(code));
    return code;
}
