// The Stub's entry point: narrow the library search before anything else can load one, then
// run start-up with the command-line tail taken from the process's own command line and the
// handlers of the three run modes.
#include <windows.h>

#include "install/BlockDecoders.h"
#include "install/ProgressDialog.h"
#include "package/StubPackage.h"
#include "platform/System.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/TestHooks.h"
#include "remove/Finalizer.h"
#include "remove/Uninstaller.h"
#include "shell/CommandLine.h"
#include "shell/StartUp.h"
#include "state/SetupState.h"
#include "wizard/RunInstallation.h"

namespace {
// The install handler: the whole installation run. The test build traces the flags behind
// the outcome message once it has been answered (the sheet itself traces "wizard" with its
// result when it ends).
void Install(InstanceHandle instance, WindowHandle window) {
    iptr wizard = RunInstallation(instance, window);
    if (wizard <= 0) return;
    TraceEvent("install-ok", g_setup.InstallOk);
    TraceEvent("corrupted", g_setup.Corrupted);
    TraceEvent("reboot-needed", g_setup.RebootNeeded);
    TraceEvent("finalize-needed", g_setup.FinalizeNeeded);
    TraceEvent("cancelled", g_setup.Cancelled);
    TraceText("run-after", g_setup.RunAfterCommand);
}
}  // namespace

#ifdef PACKWRIGHT_TEST_BUILD
namespace {
// Installs with the header's defaults, as if the wizard had been finished at once.
void InstallWithDefaults(InstanceHandle instance, WindowHandle window) {
    TraceEvent("processors", PlatformProcessorCount());
    TraceEvent("install-start", 0);
    bool finished = RunProgressDialog(instance, window);
    TraceEvent("installed", finished);
    TraceEvent("install-ok", g_setup.InstallOk);
    TraceEvent("corrupted", g_setup.Corrupted);
    TraceEvent("reboot-needed", g_setup.RebootNeeded);
    TraceText("run-after", g_setup.RunAfterCommand);
    PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}

// Reads and decodes the file section as an installation does, through the same decoders,
// writing nothing. It runs on a thread of its own, as the installation's worker does: under
// an emulator a second thread slows everything down, and the comparison must not hide that.
DWORD WINAPI DecodeFileSection(void*) {
    u8* buffer = new u8[DecodeCapacity];
    u32 blocks = 0;
    u8 fixed[19];
    StartBlockDecoders();
    while (*ReadCountedString() && ReadPackageBytes(fixed, sizeof fixed) >= 0) {
        FileBlock block;
        while (ReadFileBlock(buffer, &block) == BlockStatus::Sound && !block.end) ++blocks;
    }
    StopBlockDecoders();
    delete[] buffer;
    TraceEvent("decoded", blocks);
    return 0;
}

void DecodeOnly(InstanceHandle, WindowHandle window) {
    TraceEvent("decode-start", 0);
    HANDLE thread = CreateThread(nullptr, 0, DecodeFileSection, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}
}  // namespace
#endif

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
    RunModeHandlers handlers = {Install, RunUninstaller, RunFinalizer};
#ifdef PACKWRIGHT_TEST_BUILD
    if (TestInstallWithDefaults()) handlers.install = InstallWithDefaults;
    if (TestDecodeOnly()) handlers.install = DecodeOnly;
#endif
    int code = RunStartUp(instance, tail, handlers);
    TraceEvent("exit", static_cast<u32>(code));
    return code;
}

// The process starts here. The Stub is linked without the C runtime's start files, so no
// runtime start-up runs first: nothing may rely on global constructors (the build checks
// there are none) or on the runtime's own initialisation. The system only promises 4-byte
// stack alignment at this point.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT)));
}
