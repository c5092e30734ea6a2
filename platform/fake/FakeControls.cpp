// Dialogs and their controls for tests. A dialog box is a window object whose handler gets
// WM_INITDIALOG, then the messages posted to it and the buttons the test presses, until it
// is ended (from any thread, as a worker thread ends a progress dialog). Controls remember
// their text, whether they are shown and enabled, the messages they were sent, and, for
// progress bars, their range and position.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Dialogs.h"
#include "platform/Window.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
enum : unsigned { ProgressSetRange = 1025, ProgressSetPosition = 1026, ProgressDeltaPosition = 1027 };

struct Posted {
    unsigned message;
    uptr wParam;
    iptr lParam;
};

struct FakeWindow {
    int id = 0;
    int templateId = 0;
    FakeWindow* parent = nullptr;
    fake::ControlState state;
    std::map<int, std::unique_ptr<FakeWindow>> controls;
    // Dialogs:
    DialogHandler handler = nullptr;
    std::deque<Posted> posted;
    bool ended = false;
    iptr result = 0;
    iptr answer = 0;  // the dialog result slot
};

std::recursive_mutex g_mutex;
std::condition_variable_any g_changed;
std::vector<std::unique_ptr<FakeWindow>> g_dialogs;  // every dialog shown since the reset
std::map<int, std::deque<int>> g_presses;            // template -> buttons to press, in order
std::map<int, std::function<void(WindowHandle)>> g_onShow;

FakeWindow* Window(WindowHandle handle) { return static_cast<FakeWindow*>(handle); }

bool IsFakeWindow(WindowHandle handle) {
    for (const auto& dialog : g_dialogs) {
        if (dialog.get() == handle) return true;
        for (const auto& [id, control] : dialog->controls)
            if (control.get() == handle) return true;
    }
    return false;
}

// Runs one message through a dialog's handler without holding the lock, so that the
// handler may show message boxes, send messages and end the dialog.
void Deliver(FakeWindow* dialog, unsigned message, uptr wParam, iptr lParam, std::unique_lock<std::recursive_mutex>& lock) {
    DialogHandler handler = dialog->handler;
    lock.unlock();
    handler(dialog, message, wParam, lParam);
    lock.lock();
}
}  // namespace

namespace fake_state {
void ResetControls() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_dialogs.clear();
    g_presses.clear();
    g_onShow.clear();
}

WindowHandle NewDialogWindow(WindowHandle parent, int templateId, DialogHandler handler) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_dialogs.push_back(std::make_unique<FakeWindow>());
    FakeWindow* window = g_dialogs.back().get();
    window->templateId = templateId;
    window->parent = IsFakeWindow(parent) ? Window(parent) : nullptr;
    window->handler = handler;
    return window;
}

bool TakePosted(WindowHandle window, unsigned* message, uptr* wParam, iptr* lParam) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::deque<Posted>& posted = Window(window)->posted;
    if (posted.empty()) return false;
    *message = posted.front().message;
    *wParam = posted.front().wParam;
    *lParam = posted.front().lParam;
    posted.pop_front();
    return true;
}

void SetWindowRect(WindowHandle window, WindowRect rect) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Window(window)->state.rect = rect;
}
}  // namespace fake_state

namespace fake {
void PressInDialog(int templateId, std::vector<int> buttons) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    for (int b : buttons) g_presses[templateId].push_back(b);
}
void OnDialogShown(int templateId, std::function<void(WindowHandle)> action) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_onShow[templateId] = std::move(action);
}
std::vector<ShownDialog> ShownDialogs() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::vector<ShownDialog> out;
    for (const auto& d : g_dialogs) out.push_back({d.get(), d->templateId, d->parent, d->result});
    return out;
}
ControlState Control(WindowHandle dialog, int id) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = Window(dialog)->controls.find(id);
    return it == Window(dialog)->controls.end() ? ControlState() : it->second->state;
}
iptr DialogAnswer(WindowHandle dialog) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return Window(dialog)->answer;
}
WindowHandle NewTestWindow() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_dialogs.push_back(std::make_unique<FakeWindow>());
    return g_dialogs.back().get();
}
}  // namespace fake

iptr PlatformDialogBox(InstanceHandle, int templateId, WindowHandle owner, DialogHandler handler, iptr parameter) {
    std::unique_lock<std::recursive_mutex> lock(g_mutex);
    std::deque<int>& presses = g_presses[templateId];
    if (!presses.empty() && presses.front() == fake::DialogCannotOpen) {
        presses.pop_front();
        return -1;
    }
    FakeWindow* dialog = Window(fake_state::NewDialogWindow(owner, templateId, handler));
    Deliver(dialog, MessageInitDialog, 0, parameter, lock);
    if (g_onShow.count(templateId)) {
        auto action = g_onShow[templateId];
        lock.unlock();
        action(dialog);
        lock.lock();
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!dialog->ended) {
        if (!dialog->posted.empty()) {
            Posted p = dialog->posted.front();
            dialog->posted.pop_front();
            Deliver(dialog, p.message, p.wParam, p.lParam, lock);
        } else if (!g_presses[templateId].empty()) {
            int button = g_presses[templateId].front();
            g_presses[templateId].pop_front();
            Deliver(dialog, MessageCommand, static_cast<uptr>(button), 0, lock);
        } else if (g_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            // Nothing will end it: a test without a script for this dialog.
            dialog->result = -1;
            break;
        }
    }
    return dialog->result;
}

void PlatformEndDialog(WindowHandle dialog, iptr result) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Window(dialog)->ended = true;
    Window(dialog)->result = result;
    g_changed.notify_all();
}

WindowHandle PlatformDialogItem(WindowHandle dialog, int id) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::unique_ptr<FakeWindow>& control = Window(dialog)->controls[id];
    if (!control) {
        control = std::make_unique<FakeWindow>();
        control->id = id;
        control->parent = Window(dialog);
    }
    return control.get();
}

void PlatformSetDialogResult(WindowHandle dialog, iptr result) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Window(dialog)->answer = result;
}

iptr PlatformSendMessage(WindowHandle window, unsigned message, uptr wParam, iptr lParam) {
    std::unique_lock<std::recursive_mutex> lock(g_mutex);
    if (!IsFakeWindow(window)) return 0;
    FakeWindow* w = Window(window);
    if (w->handler) {
        DialogHandler handler = w->handler;
        lock.unlock();
        return handler(window, message, wParam, lParam);
    }
    w->state.messages.push_back({message, wParam, lParam});
    switch (message) {
        case ProgressSetRange: w->state.rangeMaximum = static_cast<u32>(static_cast<uptr>(lParam) >> 16); break;
        case ProgressSetPosition: w->state.position = static_cast<u32>(wParam); break;
        case ProgressDeltaPosition: w->state.position += static_cast<u32>(wParam); break;
        default: break;
    }
    return 0;
}

void PlatformPostMessageWith(WindowHandle window, unsigned message, uptr wParam, iptr lParam) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (!IsFakeWindow(window)) return;  // the BackgroundWindow's messages are recorded elsewhere
    // A control has no queue of its own here: it takes the message as if it were sent.
    if (!Window(window)->handler) {
        PlatformSendMessage(window, message, wParam, lParam);
        return;
    }
    Window(window)->posted.push_back({message, wParam, lParam});
    g_changed.notify_all();
}

void PlatformSetText(WindowHandle window, const char* text) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (!IsFakeWindow(window)) return;
    Window(window)->state.text = text;
    Window(window)->state.texts.push_back(text);
}

u32 PlatformGetText(WindowHandle window, char* out, u32 capacity) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (capacity == 0) return 0;
    const std::string& text = Window(window)->state.text;
    u32 n = static_cast<u32>(std::min<std::size_t>(text.size(), capacity - 1));
    std::copy(text.begin(), text.begin() + n, out);
    out[n] = 0;
    return n;
}

void PlatformShowWindow(WindowHandle window, bool show) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (IsFakeWindow(window)) Window(window)->state.visible = show;
}

void PlatformEnableWindow(WindowHandle window, bool enable) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (IsFakeWindow(window)) Window(window)->state.enabled = enable;
}

void PlatformUpdateWindow(WindowHandle) {}

WindowHandle PlatformParent(WindowHandle window) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return IsFakeWindow(window) ? Window(window)->parent : nullptr;
}

WindowRect PlatformWindowRect(WindowHandle window) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return IsFakeWindow(window) ? Window(window)->state.rect : WindowRect{0, 0, 0, 0};
}

WindowRect PlatformClientRect(WindowHandle window) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (!IsFakeWindow(window)) return fake_state::BackgroundClientRect();
    WindowRect r = Window(window)->state.rect;
    return {0, 0, r.right - r.left, r.bottom - r.top};
}

void PlatformMoveWindow(WindowHandle window, int x, int y) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (!IsFakeWindow(window)) return;
    WindowRect& r = Window(window)->state.rect;
    r = {x, y, x + r.right - r.left, y + r.bottom - r.top};
}
