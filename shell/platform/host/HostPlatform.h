// Controls of the host platform: tests and the packwright tool decide what the
// "running executable" is, how message boxes are answered and what ending the process does.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "state/Types.h"

struct ShownMessageBox {
    void* owner;
    std::string text;
    std::string caption;
    unsigned style;
};

// Thrown by the default exit handler so that tests can observe an ended "process".
struct HostProcessExit {
    int code;
};

namespace host {

void SetModulePath(const std::string& path);  // empty: the path cannot be had
void SetLocatorOffset(u32 offset);

// Answers for message boxes: a handler, or else a queue of answers (IdCancel when empty).
void SetMessageBoxHandler(std::function<int(const ShownMessageBox&)> handler);
void QueueAnswers(std::vector<int> answers);
const std::vector<ShownMessageBox>& ShownBoxes();

// What PlatformExitProcess does; by default it throws HostProcessExit.
void SetExitHandler(std::function<void(int)> handler);

// The next `count` calls of PlatformRead fail as a read error would.
void FailNextReads(int count);

// Back to the start: no path, offset 0, no answers, no recorded boxes, default exit, and
// the start-up and painting records below cleared.
void Reset();

// ---- Start-up: directories, copies, mutexes, started processes (empty = cannot be had) ----
void SetTempDirectory(const std::string& path);
void SetWindowsDirectory(const std::string& path);
// Fails every later PlatformCopyFile / PlatformStartProcess / window creation.
void FailCopies(bool fail);
void FailProcessStarts(bool fail);
void FailWindowCreation(bool fail);

// Every start-up call the Stub would make of the system, in order, as readable lines, e.g.
// "copy A -> B", "mutex owned ZelSetupUninstall", "wait ZelSetupUninstall",
// "start <command line> in <directory>", "window ZelSetupWindow Marrowfen Setup Utility",
// "common controls", "show", "post 1025", "loop".
const std::vector<std::string>& StartUpCalls();

// The exit code PlatformRunMessageLoop returns (the loop itself runs nothing on the host).
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

}  // namespace host
