// Drives the Stub's windows from a second Win32 process in the same Wine session.
//
//   driver.exe COMMAND ARGS... [COMMAND ARGS...]...
//
// Commands run in order; every wait has a time-out in milliseconds and a time-out ends the
// driver with exit code 2 (a bad command line gives 3), so a caller fails instead of hanging.
//   window CLASS TITLE MS     wait for a visible top-level window ("*" matches anything)
//   gone CLASS TITLE MS       wait until no such window exists
//   box CAPTION MS            wait for a message box and print its text
//   answer CAPTION ID MS      the same, then answer it with the button ID (1 OK, 2 Cancel,
//                             4 Retry, 6 Yes, 7 No)
//   sheet MS                  wait for the wizard and print its current page's title
//   page TITLE MS             wait until the wizard's current page is the one with this
//                             template caption ("Welcome", "Enter Password" ...)
//   enabled ID MS             print whether control ID on the current page takes input
//   through PASSWORD MS       take the wizard's proposals: Next on every page (PASSWORD typed
//                             on the password page) and Finish on the last
//   text ID MS                print the text of control ID on the wizard's current page
//   type ID TEXT MS           put TEXT into control ID on the wizard's current page
//   press BUTTON MS           wait until NEXT, BACK or FINISH is enabled and press it;
//                             CANCEL presses Cancel
//   close CLASS TITLE MS      ask a window to close (WM_CLOSE)
//   start COMMANDLINE MS      start a program with exactly this command line and wait for
//                             it to end; prints its exit code
//   launch COMMANDLINE        start a program with exactly this command line, not waiting
//   hold PATH                 open a file without sharing and keep it open until the driver
//                             ends, as a program using it would
//   setenv NAME VALUE         set a variable for the programs started after it
//   item CAPTION ID MS        wait for a dialog with this caption and print control ID's text
//   bar CAPTION ID MS         the same for a progress bar: "POSITION of MAXIMUM", then
//                             "shown" or "hidden"
//   click CAPTION ID MS       press button ID of that dialog
//   shortcut PATH             print a shortcut file's target, arguments and working directory
//   painted CLASS TITLE MS    wait for the window (as "window" does; a wizard's current page
//                             shown), have every visible top-level window drawn afresh, and
//                             wait until all of them have painted: for screenshots
//   fill PAGE ID TEXT         for `walk`: put TEXT into control ID when the wizard shows PAGE
//   reply KEY BUTTON          for `walk`: answer a message whose caption is KEY, or whose text
//                             begins with KEY, with the button labelled BUTTON ("Yes", "Replace")
//                             or, given as a number, with the button of that id
//   shots FOLDER              for `walk`: before each page, message or opened program, print
//                             "shot: NAME" and wait until FOLDER\NAME.done exists
//   nowizard                  for `walk`: a wizard page is a failure (exit code 4), as in a
//                             run with silent switches
//   walk COMMANDLINE MS       start a setup program and walk it to its end: every wizard page
//                             with its proposals (and the fills) and Next, then Finish; every
//                             message answered by the replies (a notice with one button is
//                             acknowledged; a question without a reply ends the driver with
//                             exit code 4); every program it opens noted and closed. Ends when
//                             the program and every process it started have ended; prints
//                             what it saw and "exit: CODE"
//   sleep MS
//   list                      print every visible top-level window
// Output lines are "key: value"; texts have line breaks written as \n.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DriverWindows.h"
#include "Walk.h"

using namespace driver;

namespace {
bool Matches(const char* pattern, const std::string& value) { return std::strcmp(pattern, "*") == 0 || value == pattern; }

HWND FindWindowMatching(const char* className, const char* title) {
    for (HWND window : TopLevelWindows())
        if (Matches(className, ClassName(window)) && Matches(title, WindowText(window))) return window;
    return nullptr;
}

HWND FindMessageBox(const char* caption) {
    for (HWND window : TopLevelWindows())
        if (ClassName(window) == "#32770" && !IsWizard(window) && WindowText(window) == caption) return window;
    return nullptr;
}

class Arguments {
public:
    Arguments(int count, char** values) : count_(count), values_(values) {}
    bool More() const { return next_ < count_; }
    const char* Text() {
        if (!More()) Fail(3, "missing argument");
        return values_[next_++];
    }
    DWORD Number() { return static_cast<DWORD>(std::strtoul(Text(), nullptr, 10)); }

private:
    int count_;
    char** values_;
    int next_ = 1;
};

void PrintShortcut(const std::string& path) {
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
        FAILED(file->Load(wide, STGM_READ)))
        Fail(2, "cannot read shortcut " + path);
    char text[MAX_PATH] = "";
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    Print("target", text);
    link->GetArguments(text, MAX_PATH);
    Print("arguments", text);
    link->GetWorkingDirectory(text, MAX_PATH);
    Print("directory", text);
    file->Release();
    link->Release();
}
}  // namespace

int main(int argc, char** argv) {
    Arguments args(argc, argv);
    WalkSettings walk;
    while (args.More()) {
        std::string command = args.Text();
        if (command == "window" || command == "close") {
            const char* className = args.Text();
            const char* title = args.Text();
            DWORD ms = args.Number();
            HWND window = WaitFor(ms, std::string("window ") + className + " / " + title,
                                  [&] { return FindWindowMatching(className, title); });
            // Named before it is asked to close: once closed it has no name to give.
            Print("window", ClassName(window) + " / " + WindowText(window));
            if (command == "close") PostMessageA(window, WM_CLOSE, 0, 0);
        } else if (command == "gone") {
            const char* className = args.Text();
            const char* title = args.Text();
            DWORD ms = args.Number();
            DWORD start = GetTickCount();
            while (FindWindowMatching(className, title)) {
                if (GetTickCount() - start >= ms) Fail(2, std::string("window still there: ") + title);
                Sleep(50);
            }
        } else if (command == "box" || command == "answer") {
            const char* caption = args.Text();
            int answer = command == "answer" ? static_cast<int>(args.Number()) : 0;
            DWORD ms = args.Number();
            HWND box = WaitFor(ms, std::string("message box ") + caption, [&] { return FindMessageBox(caption); });
            Print("box", WindowText(GetDlgItem(box, MessageTextId)));
            if (answer) PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        } else if (command == "sheet") {
            HWND wizard = WaitFor(args.Number(), "the wizard", FindWizard);
            Print("page", WindowText(wizard));
        } else if (command == "page") {
            std::string title = args.Text();
            DWORD ms = args.Number();
            WaitFor(ms, "the wizard page " + title, [&]() -> HWND {
                HWND wizard = FindWizard();
                HWND page = wizard ? CurrentPage(wizard) : nullptr;
                return page && WindowText(page) == title ? page : nullptr;
            });
            Print("page", title);
        } else if (command == "text" || command == "type" || command == "enabled") {
            int id = static_cast<int>(args.Number());
            std::string text = command == "type" ? args.Text() : "";
            HWND wizard = WaitFor(args.Number(), "the wizard", FindWizard);
            HWND control = GetDlgItem(CurrentPage(wizard), id);
            if (!control) Fail(2, "no control " + std::to_string(id) + " on the current page");
            if (command == "text") {
                Print("text", WindowText(control));
            } else if (command == "enabled") {
                Print("enabled", IsWindowEnabled(control) ? "1" : "0");
            } else {
                SetText(control, text);
            }
        } else if (command == "through") {
            std::string password = args.Text();
            DWORD ms = args.Number();
            for (;;) {
                HWND wizard = WaitFor(ms, "the wizard", FindWizard);
                HWND page = CurrentPage(wizard);
                if (WindowText(page) == "Enter Password") SetText(GetDlgItem(page, 1000), password);
                HWND button = WaitFor(ms, "Next or Finish", [&] {
                    HWND finish = UsableButton(wizard, FinishId);
                    return finish ? finish : UsableButton(wizard, NextId);
                });
                bool last = button == GetDlgItem(wizard, FinishId);
                Print("page", WindowText(page));
                PostMessageA(wizard, PsmPressButton, last ? PressFinish : PressNext, 0);
                if (last) break;
                WaitFor(ms, "the next page", [&]() -> HWND {
                    HWND next = IsWindow(wizard) ? CurrentPage(wizard) : nullptr;
                    return next != page ? next : nullptr;
                });
            }
        } else if (command == "press") {
            std::string button = args.Text();
            DWORD ms = args.Number();
            HWND wizard = WaitFor(ms, "the wizard", FindWizard);
            if (button == "CANCEL") {
                PostMessageA(GetDlgItem(wizard, IDCANCEL), BM_CLICK, 0, 0);
                continue;
            }
            int id = button == "NEXT" ? NextId : button == "BACK" ? BackId : FinishId;
            WPARAM which = button == "NEXT" ? PressNext : button == "BACK" ? PressBack : PressFinish;
            // The wizard enables its buttons through posted messages: wait for them.
            WaitFor(ms, "button " + button, [&] { return UsableButton(wizard, id); });
            PostMessageA(wizard, PsmPressButton, which, 0);
        } else if (command == "start" || command == "launch") {
            std::string line = args.Text();
            DWORD ms = command == "start" ? args.Number() : 0;
            STARTUPINFOA startup = {};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION process = {};
            if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
                Fail(2, "cannot start " + line);
            if (command == "launch") {
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
                continue;
            }
            if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0) Fail(2, "still running: " + line);
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            Print("exit", std::to_string(code));
        } else if (command == "hold") {
            std::string path = args.Text();
            // Never closed: the system closes it when the driver ends.
            if (CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr) ==
                INVALID_HANDLE_VALUE)
                Fail(2, "cannot hold " + path);
            Print("held", path);
        } else if (command == "setenv") {
            std::string name = args.Text();
            std::string value = args.Text();
            SetEnvironmentVariableA(name.c_str(), value.c_str());
        } else if (command == "item" || command == "bar" || command == "click") {
            const char* caption = args.Text();
            int id = static_cast<int>(args.Number());
            HWND dialog = WaitFor(args.Number(), std::string("dialog ") + caption,
                                  [&] { return FindWindowMatching("#32770", caption); });
            HWND control = GetDlgItem(dialog, id);
            if (!control) Fail(2, "no control " + std::to_string(id) + " in " + caption);
            if (command == "item") {
                Print("item", WindowText(control));
            } else if (command == "bar") {
                DWORD_PTR position = 0, maximum = 0;
                SendMessageTimeoutA(control, WM_USER + 8, 0, 0, SMTO_ABORTIFHUNG, 2000, &position);  // PBM_GETPOS
                SendMessageTimeoutA(control, WM_USER + 7, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &maximum);  // PBM_GETRANGE
                Print("bar", std::to_string(position) + " of " + std::to_string(maximum));
                Print("bar", IsWindowVisible(control) ? "shown" : "hidden");
            } else {
                PostMessageA(control, BM_CLICK, 0, 0);
            }
        } else if (command == "shortcut") {
            PrintShortcut(args.Text());
        } else if (command == "painted") {
            const char* className = args.Text();
            const char* title = args.Text();
            DWORD ms = args.Number();
            HWND window = WaitFor(ms, std::string("window ") + className + " / " + title,
                                  [&] { return FindWindowMatching(className, title); });
            WaitUntilPainted(window, ms);
            Print("painted", ClassName(window) + " / " + WindowText(window));
        } else if (command == "fill") {
            std::string page = args.Text();
            int id = static_cast<int>(args.Number());
            walk.fills.push_back({page, id, args.Text()});
        } else if (command == "reply") {
            std::string key = args.Text();
            walk.replies.push_back({key, args.Text()});
        } else if (command == "nowizard") {
            walk.noWizard = true;
        } else if (command == "shots") {
            walk.shotsFolder = args.Text();
        } else if (command == "walk") {
            std::string line = args.Text();
            Walk(line, args.Number(), walk);
        } else if (command == "sleep") {
            Sleep(args.Number());
        } else if (command == "list") {
            for (HWND window : TopLevelWindows()) Print("window", ClassName(window) + " / " + WindowText(window));
        } else {
            Fail(3, "unknown command " + command);
        }
    }
    return 0;
}
