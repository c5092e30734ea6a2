// The platform as tests drive it. Paths of the form "X:\..." map to a folder under a root
// the test chooses (every other path is a host path as it stands); message boxes are
// answered from a script and recorded; ending the process throws; start-up, window and
// painting calls are recorded as readable lines.
#pragma once
#include <functional>
#include <string>
#include <vector>

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

// Everything back to the start: no drive root, no module path, no answers, no records.
void Reset();

// ---- Files ----
// Drive paths "C:\a\b" become <root>/C/a/b; the drive's folder is made on first use.
void SetDriveRoot(const std::string& root);
// The host path a platform path stands for.
std::string HostPath(const std::string& path);
// The next `count` reads fail as a read error would.
void FailNextReads(int count);

// ---- Process ----
void SetModulePath(const std::string& path);  // empty: the path cannot be had
void SetTempDirectory(const std::string& path);
void SetWindowsDirectory(const std::string& path);
// Fails every later copy / process start / window creation.
void FailCopies(bool fail);
void FailProcessStarts(bool fail);
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
