#include "packwright/try/DriverRun.h"

#include <fstream>
#include <sstream>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/try/PrefixSnapshot.h"
#include "packwright/try/TryError.h"

namespace fs = std::filesystem;

namespace {
// The driver's "key: value" lines, complete ones only.
std::vector<std::pair<std::string, std::string>> Lines(const std::string& output) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::size_t start = 0, end;
    while ((end = output.find('\n', start)) != std::string::npos) {
        std::string line = output.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t colon = line.find(": ");
        if (colon != std::string::npos) lines.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    return lines;
}

// The driver writes line breaks inside a text as \n; only a message's text has any (a path
// such as C:\new must stay as it is).
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A button's label without the '&' that marks its access key.
std::string Plain(const std::string& label) {
    std::string out;
    for (char c : label)
        if (c != '&') out += c;
    return out;
}

std::string DriverFailure(const std::string& output) {
    std::istringstream lines(output);
    std::string line, failure;
    while (std::getline(lines, line))
        if (line.rfind("driver: ", 0) == 0) failure = line.substr(8);
    return failure;
}
}  // namespace

DriverRun::DriverRun(fs::path prefix, std::string handshake, Milliseconds timeout)
    : prefix_(std::move(prefix)), handshake_(std::move(handshake)), timeout_(timeout) {}

Walk DriverRun::WalkProgram(const WalkPlan& plan) const {
    std::vector<std::string> args = {DefaultDriverPath()};
    for (const auto& [page, text] : plan.fills) args.insert(args.end(), {"fill", page, "1000", text});
    for (const auto& [key, button] : plan.replies) args.insert(args.end(), {"reply", key, button});
    if (plan.noWizard) args.push_back("nowizard");
    if (!plan.screenshots.empty()) {
        fs::create_directories(HostPathIn(prefix_, handshake_));
        fs::create_directories(plan.screenshots);
        args.insert(args.end(), {"shots", handshake_});
    }
    args.insert(args.end(), {"walk", plan.commandLine, std::to_string(timeout_.count())});

    Walk walk;
    WineProcess driver(args);
    std::size_t shotsTaken = 0;
    std::size_t seenBytes = 0;
    auto lastOutput = std::chrono::steady_clock::now();
    std::optional<int> driverExit;
    for (;;) {
        driverExit = driver.Wait(Milliseconds(100));
        std::string output = driver.Output();
        if (output.size() != seenBytes) lastOutput = std::chrono::steady_clock::now();
        seenBytes = output.size();
        std::size_t shots = 0;
        for (const auto& [key, value] : Lines(output)) {
            if (key != "shot" || ++shots <= shotsTaken) continue;
            fs::path png = plan.screenshots / (plan.shotPrefix + value + ".png");
            RunResult taken = RunProgram({"import", "-window", "root", png.string()}, timeout_);
            if (taken.exitCode == 0) walk.screenshots.push_back(png.string());
            else std::fprintf(stderr, "packwright try: no screenshot %s: %s\n", png.c_str(), taken.output.c_str());
            std::ofstream(HostPathIn(prefix_, handshake_ + "\\" + value + ".done")) << "\n";
            shotsTaken = shots;
        }
        if (driverExit) break;
        // The driver has time-outs of its own; this one is for a driver that cannot start or hangs.
        if (std::chrono::steady_clock::now() - lastOutput > timeout_ + Milliseconds(120000)) {
            driver.Kill();
            walk.failure = "timed out waiting for the window driver to answer while running " + plan.commandLine;
            break;
        }
    }
    std::string output = driver.Output();
    for (const auto& [key, value] : Lines(output)) {
        if (key == "page") walk.pages.push_back(value);
        else if (key == "caption") walk.questions.push_back({value, "", "", ""});
        else if (key == "text" && !walk.questions.empty()) walk.questions.back().text = Unescaped(value);
        else if (key == "path" && !walk.questions.empty()) walk.questions.back().path = value;
        else if (key == "answer" && !walk.questions.empty()) walk.questions.back().answer = Plain(value);
        else if (key == "opened") walk.opened.push_back(value);
        else if (key == "exit") walk.exitCode = std::stoi(value);
    }
    if (walk.failure.empty() && driverExit && *driverExit != 0) {
        std::string failure = DriverFailure(output);
        walk.failure = failure.empty() ? "the window driver failed (exit code " + std::to_string(*driverExit) + "): " + output
                                       : failure;
    }
    return walk;
}

std::vector<Shortcut> DriverRun::ReadShortcuts(const std::vector<std::string>& paths) const {
    std::vector<Shortcut> shortcuts;
    if (paths.empty()) return shortcuts;
    std::vector<std::string> args = {DefaultDriverPath()};
    for (const std::string& path : paths) args.insert(args.end(), {"shortcut", path});
    // One run for all: every Wine program start costs seconds. A file it cannot read ends
    // the run, and the shortcuts from there on are listed without their contents.
    RunResult read = RunWine(args, timeout_);
    std::size_t index = 0;
    for (const std::string& path : paths) shortcuts.push_back({path, path.substr(0, path.rfind('\\')), "", "", ""});
    for (const auto& [key, value] : Lines(read.output)) {
        if (index >= shortcuts.size()) break;
        if (key == "target") shortcuts[index].target = value;
        else if (key == "arguments") shortcuts[index].arguments = value;
        else if (key == "directory") shortcuts[index++].workingDir = value;
    }
    return shortcuts;
}
