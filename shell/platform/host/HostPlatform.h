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

// Back to the start: no path, offset 0, no answers, no recorded boxes, default exit.
void Reset();

}  // namespace host
