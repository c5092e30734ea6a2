// The platform as tests drive it. Paths of the form "X:\..." map to a folder under a root
// the test chooses (every other path is a host path as it stands); message boxes and dialogs
// are answered from a script and recorded; the registry lives in memory; requests for the
// next restart are recorded; shortcuts are small text files; ending the process throws;
// start-up, window and painting calls are recorded as readable lines.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "state/Types.h"

struct ShownMessageBox {
    void* owner;
    std::string text;
    std::string caption;  // "" for the system's default caption
    unsigned style;
};

// Thrown by PlatformExitProcess, so that tests can observe an ended "process".
struct FakeProcessExit {
    int code;
};

namespace fake {

// Everything back to the start: no drive root, no module path, no answers, no records, an
// empty registry; threads started by the code under test are joined first.
void Reset();

// ---- Files ----
// Drive paths "C:\a\b" become <root>/C/a/b; the drive's folder is made on first use.
void SetDriveRoot(const std::string& root);
// The host path a platform path stands for.
std::string HostPath(const std::string& path);
// The next `count` reads fail as a read error would.
void FailNextReads(int count);
// A read-only file refuses to be written, replaced or deleted until its attribute is cleared.
void SetReadOnly(const std::string& path, bool readOnly);
// A file in use by another program refuses to be opened for writing, moved or deleted.
void SetInUse(const std::string& path, bool inUse);
// Writes to this file (once created) fail.
void FailWritesTo(const std::string& path);
// The bytes all files together may still take: writes beyond them come up short.
void SetDiskSpace(u64 bytes);
// The version resource a file carries (none unless set).
void SetFileVersion(const std::string& path, u16 major, u16 minor, u16 build, u16 revision);
// The security descriptor a guarded folder was created with; nothing when none was made there.
std::optional<std::string> GuardedFolderDescriptor(const std::string& path);
// Moves and deletions asked for at the next restart (`to` empty: delete), in order.
struct RestartMove {
    std::string from, to;
    bool operator==(const RestartMove&) const = default;
};
std::vector<RestartMove> RestartMoves();
// Lines written to initialisation files: "FILE [section] key=value".
std::vector<std::string> ProfileWrites();

// ---- Registry (in memory, three hives) ----
struct RegistryValue {
    u32 type;
    std::vector<u8> data;
};
void SetRegistryValue(u32 root, const std::string& key, const std::string& name, u32 type, const std::vector<u8>& data);
// The value of `name` ("" for the default value), or nothing when it or its key is missing.
std::optional<RegistryValue> GetRegistryValue(u32 root, const std::string& key, const std::string& name);
bool RegistryKeyExists(u32 root, const std::string& key);
// This key (directly under its root) cannot be opened or created, though it may exist.
void DenyRegistryKey(u32 root, const std::string& key);
// Every key and value, one line each, sorted: "HKEY_...\key : name = string text".
std::vector<std::string> RegistryListing();

// ---- Shell ----
void SetSpecialFolder(int folder, const std::string& path);
void SetSystemDirectory(const std::string& path);
struct Shortcut {
    std::string target, arguments, workingDirectory;
};
std::optional<Shortcut> ReadShortcut(const std::string& link);
std::vector<std::string> OpenedByShell();
int ComDepth();  // component-library initialisations not yet undone

// ---- System ----
void SetNt(bool nt);  // the NT family unless said otherwise
void SetDiskGeometry(u32 sectorsPerCluster, u32 bytesPerSector);  // 8 x 512 unless said
void FailDiskGeometry(bool fail);
std::vector<std::string> DiskGeometryAsked();  // the root paths asked about
int Restarts();
void SetProcessorCount(u32 count);
// Waits for the threads the code under test started.
void JoinThreads();

// ---- Dialogs and controls ----
// Buttons (control ids) to press, in order, in the next dialogs made from a template.
// DialogCannotOpen in the place of a dialog's first button: that dialog is never made, and
// the call gives -1 as the system does.
void PressInDialog(int templateId, std::vector<int> buttons);
constexpr int DialogCannotOpen = -1;
// Something to do once a dialog from this template has been initialised (press Cancel
// in a progress dialog, say); it runs on the dialog's thread before its messages.
void OnDialogShown(int templateId, std::function<void(WindowHandle dialog)> action);
struct ShownDialog {
    WindowHandle dialog;
    int templateId;
    WindowHandle owner;  // null when it is not one of the fake's dialogs
    iptr result;
};
std::vector<ShownDialog> ShownDialogs();
struct SentMessage {
    unsigned message;
    uptr wParam;
    iptr lParam;
};
struct ControlState {
    std::string text;
    std::vector<std::string> texts;  // every text it was given, in order
    bool visible = true;
    bool enabled = true;
    u32 rangeMaximum = 0;  // progress bars
    u32 position = 0;
    std::vector<SentMessage> messages;
    WindowRect rect = {0, 0, 0, 0};
};
ControlState Control(WindowHandle dialog, int id);
// The answer a dialog stored for the notification it handled last.
iptr DialogAnswer(WindowHandle dialog);
// A window that is not a dialog box, for code that works on a window it is given.
WindowHandle NewTestWindow();

// ---- Wizard: a sheet that drives the pages' procedures as the system's would ----
// What the user does in the next wizard, step by step, on the current page: press a button
// (a button the page has not enabled does nothing), or type into a control (a disabled one
// takes nothing). When the steps run out the sheet ends as one that could not be shown (-1).
struct WizardStep {
    enum Kind { Next, Back, Finish, Cancel, Type } kind;
    int control = 0;
    std::string text;
};
void ScriptWizard(std::vector<WizardStep> steps);
inline WizardStep TypeInto(int control, std::string text) { return {WizardStep::Type, control, std::move(text)}; }
struct WizardRun {
    WindowHandle owner;
    std::vector<int> templates;  // the pages placed, in order
    std::vector<int> current;    // the template of each page made current, in order
    std::vector<u32> buttons;    // the buttons enabled on each page made current, in order
    int ignored = 0;             // steps the sheet did not take
    iptr result = 0;
    WindowHandle sheet = nullptr;
    std::vector<WindowHandle> pages;  // the page windows made, by place in the sheet (null: never shown)
};
// Every wizard run since the reset.
const std::vector<WizardRun>& Wizards();

// ---- Process ----
void SetModulePath(const std::string& path);  // empty: the path cannot be had
void SetTempDirectory(const std::string& path);
void SetWindowsDirectory(const std::string& path);
// The numbers PlatformUniqueNumber gives, one per call from this one on (0x1000 unless set).
void SetUniqueNumber(u32 first);
// Fails every later copy / process start / window creation.
void FailCopies(bool fail);
void FailProcessStarts(bool fail);
// The exit code of a program that is started and waited for (recorded as "run ...").
void SetRunExitCode(int code);
void FailWindowCreation(bool fail);

// ---- Message boxes: a handler, or else a queue of answers (IdCancel when empty) ----
void SetMessageBoxHandler(std::function<int(const ShownMessageBox&)> handler);
void QueueAnswers(std::vector<int> answers);
const std::vector<ShownMessageBox>& ShownBoxes();

// ---- Start-up and window: every call the Stub would make of the system, in order, e.g.
// "copy A -> B", "mutex owned ZelSetupUninstall", "wait ZelSetupUninstall",
// "start <command line> in <directory>", "window ZelSetupWindow Marrowfen Setup Utility",
// "common controls", "show", "post 1025", "loop".
const std::vector<std::string>& StartUpCalls();
// The handler the window was created with; the loop itself runs nothing.
bool DeliverToWindow(unsigned message);
// The exit code PlatformRunMessageLoop returns.
void SetMessageLoopResult(int code);

// ---- Painting: the client size and a record of every drawing call ----
struct DrawCall {
    enum Kind { Fill, Font, RestoreFont, Transparent, Align, Text } kind;
    int left, top, right, bottom;  // Fill: the rectangle; Text: x and y in left and top
    u32 value;                     // Fill/Text: colour; Font: height; Align: flags
    std::string text;
};
void SetClientSize(int width, int height);
const std::vector<DrawCall>& DrawCalls();

}  // namespace fake
