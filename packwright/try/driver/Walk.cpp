#include "Walk.h"

#include <tlhelp32.h>

#include <cctype>
#include <cstdlib>
#include <set>
#include <utility>

#include "DriverWindows.h"

namespace driver {
namespace {

// The program and every process it started, directly or not, that still runs. A child
// keeps its parent's id after the parent has ended, so the Uninstaller's copy is found
// even when the program that started it is already gone.
std::set<DWORD> LiveProcesses(std::set<DWORD>& family) {
    std::vector<std::pair<DWORD, DWORD>> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    if (snapshot != INVALID_HANDLE_VALUE && Process32First(snapshot, &entry)) {
        do all.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
        while (Process32Next(snapshot, &entry));
    }
    if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [id, parent] : all)
            if (family.count(parent) && !family.count(id)) grew = family.insert(id).second;
    }
    std::set<DWORD> live;
    for (const auto& [id, parent] : all)
        if (family.count(id)) live.insert(id);
    return live;
}

std::string Plain(const std::string& label) {
    std::string out;
    for (char c : label)
        if (c != '&') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct ButtonSearch {
    std::string label;
    std::vector<HWND> buttons;
    HWND match = nullptr;
};

BOOL CALLBACK CollectButton(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ButtonSearch*>(data);
    if (ClassName(child) != "Button" || !IsWindowVisible(child)) return TRUE;
    search->buttons.push_back(child);
    if (!search->match && Plain(WindowText(child)) == search->label) search->match = child;
    return TRUE;
}

// The fixed text of a question: a message box's has the id 0xFFFF; the overwrite questions,
// from extended dialog templates, keep the full -1.
HWND QuestionText(HWND window) {
    HWND text = GetDlgItem(window, MessageTextId);
    return text ? text : GetDlgItem(window, -1);
}

// A question is a dialog with a fixed text: the message boxes and the overwrite questions.
bool IsQuestion(HWND window) {
    return ClassName(window) == "#32770" && !IsWizard(window) && QuestionText(window) != nullptr;
}

bool HasCaption(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION; }

class Walker {
public:
    Walker(DWORD milliseconds, const WalkSettings& settings) : ms_(milliseconds), settings_(settings) {
        for (HWND window : TopLevelWindows()) seen_.insert(window);
    }

    void Run(const std::string& commandLine) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::string line = commandLine;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            Fail(2, "cannot start " + commandLine + " (error " + std::to_string(GetLastError()) + ")");
        CloseHandle(process.hThread);
        family_.insert(process.dwProcessId);
        program_ = commandLine;
        lastChange_ = GetTickCount();
        std::size_t liveCount = 1;
        for (;;) {
            std::set<DWORD> live = LiveProcesses(family_);
            if (live.empty()) break;
            if (live.size() != liveCount) Progressed("");
            liveCount = live.size();
            if (!TakePage() && !TakeQuestion(live) && !TakeOpenedProgram()) {
                if (GetTickCount() - lastChange_ >= ms_)
                    Fail(2, "timed out after " + std::to_string(ms_ / 1000) + " s waiting for " + program_ +
                                " to show a page or a message or to end" +
                                (lastSeen_.empty() ? std::string() : "; the last thing it showed was " + lastSeen_));
                Sleep(50);
            }
        }
        WaitForSingleObject(process.hProcess, ms_);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        Print("exit", std::to_string(code));
    }

private:
    void Progressed(const std::string& what) {
        lastChange_ = GetTickCount();
        if (!what.empty()) lastSeen_ = what;
    }

    // Asks the caller for a picture of the screen and waits until it is taken.
    void Shot(const std::string& title) {
        if (settings_.shotsFolder.empty()) return;
        WaitUntilPainted(nullptr, ms_);
        char number[8];
        wsprintfA(number, "%02d-", ++shots_);
        std::string name = number;
        for (char c : title) {
            if (std::isalnum(static_cast<unsigned char>(c))) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            else if (name.back() != '-') name += '-';
        }
        while (name.back() == '-') name.pop_back();
        Print("shot", name);
        std::string done = settings_.shotsFolder + "\\" + name + ".done";
        WaitFor(ms_, "the screenshot " + name, [&]() -> HWND {
            return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES ? GetDesktopWindow() : nullptr;
        });
    }

    bool TakePage() {
        HWND wizard = FindWizard();
        HWND page = wizard ? CurrentPage(wizard) : nullptr;
        if (!page || page == lastPage_) return false;
        std::string title = WindowText(page);
        Print("page", title);
        Progressed("the wizard page " + title);
        if (settings_.noWizard) {
            Shot(title);
            Fail(4, "run silently, it showed the wizard page " + title + ": it does not take the silent switches");
        }
        for (const WalkSettings::Fill& fill : settings_.fills)
            if (fill.page == title) {
                HWND control = GetDlgItem(page, fill.control);
                if (!control) Fail(2, "no control " + std::to_string(fill.control) + " on the page " + title);
                SetText(control, fill.text);
            }
        Shot(title);
        // The wizard enables its buttons through posted messages: wait for them.
        HWND button = WaitFor(ms_, "Next or Finish on the page " + title, [&] {
            HWND finish = UsableButton(wizard, FinishId);
            return finish ? finish : UsableButton(wizard, NextId);
        });
        bool last = button == GetDlgItem(wizard, FinishId);
        PostMessageA(wizard, PsmPressButton, last ? PressFinish : PressNext, 0);
        lastPage_ = page;
        return true;
    }

    bool TakeQuestion(const std::set<DWORD>& live) {
        for (HWND window : TopLevelWindows()) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (!live.count(owner) || !IsQuestion(window)) continue;
            std::string caption = WindowText(window);
            std::string text = WindowText(QuestionText(window));
            Print("caption", caption);
            Print("text", text);
            if (HWND path = GetDlgItem(window, 1007)) Print("path", WindowText(path));
            Progressed("the message \"" + caption + "\"");
            Shot(caption);
            Answer(window, caption, text);
            WaitFor(ms_, "the message \"" + caption + "\" to close", [&]() -> HWND {
                return IsWindow(window) && IsWindowVisible(window) ? nullptr : GetDesktopWindow();
            });
            return true;
        }
        return false;
    }

    void Answer(HWND window, const std::string& caption, const std::string& text) {
        ButtonSearch search;
        const WalkSettings::Reply* reply = nullptr;
        for (const WalkSettings::Reply& r : settings_.replies)
            if (r.key == caption || (!r.key.empty() && text.rfind(r.key, 0) == 0)) {
                reply = &r;
                break;
            }
        search.label = reply ? Plain(reply->button) : std::string("\x01");
        EnumChildWindows(window, CollectButton, reinterpret_cast<LPARAM>(&search));
        // A reply may name the button by its id instead ("6" is Yes in a message box).
        bool byId = reply && !reply->button.empty() &&
                    reply->button.find_first_not_of("0123456789") == std::string::npos;
        if (byId) {
            int id = std::atoi(reply->button.c_str());
            Print("answer", reply->button);
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
            return;
        }
        // A notice with a single button needs no answer: it is acknowledged.
        HWND button = search.match ? search.match : !reply && search.buttons.size() == 1 ? search.buttons[0] : nullptr;
        if (!button) {
            if (reply) Fail(4, "the message \"" + caption + "\" has no button " + reply->button);
            Fail(4, "no answer given to the message \"" + caption + "\": " + text);
        }
        Print("answer", WindowText(button));
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }

    // A program the setup opened (its run-after program): noted and ended.
    bool TakeOpenedProgram() {
        for (HWND window : TopLevelWindows()) {
            if (seen_.count(window)) continue;
            std::string name = ClassName(window);
            if (name == "#32770" || name == "ZelSetupWindow" || !HasCaption(window)) continue;
            seen_.insert(window);
            Print("opened", name + " / " + WindowText(window));
            Progressed("the program " + WindowText(window));
            Shot(WindowText(window));
            // Ended rather than asked to close: what a program saves as it closes (its
            // window's place, say) is its own doing, not the setup's.
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, owner);
            if (!process || !TerminateProcess(process, 0)) PostMessageA(window, WM_CLOSE, 0, 0);
            if (process) CloseHandle(process);
            return true;
        }
        return false;
    }

    DWORD ms_;
    const WalkSettings& settings_;
    std::set<HWND> seen_;
    std::set<DWORD> family_;
    std::string program_;
    std::string lastSeen_;
    DWORD lastChange_ = 0;
    HWND lastPage_ = nullptr;
    int shots_ = 0;
};
}  // namespace

void Walk(const std::string& commandLine, DWORD milliseconds, const WalkSettings& settings) {
    Walker(milliseconds, settings).Run(commandLine);
}

}  // namespace driver
