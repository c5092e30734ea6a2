// Programs started from the tool with a time-out on every wait: Wine and its programs, the X
// server, the user's commands. Output goes to a file, never a pipe: a Wine helper that
// inherits a pipe keeps it open after the program has ended, and a reader would wait forever.
#pragma once
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

using Milliseconds = std::chrono::milliseconds;
using Environment = std::map<std::string, std::string>;

class ChildProcess {
public:
    enum class Output { File, Stderr };
    // arguments[0] is looked up in PATH. `extra` adds to or replaces this process's environment.
    ChildProcess(const std::vector<std::string>& arguments, const Environment& extra = {}, Output output = Output::File);
    ~ChildProcess();  // kills the process if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code, or nothing when the process is still running after the time-out.
    std::optional<int> Wait(Milliseconds timeout);
    void Kill();
    // What the process wrote to stdout and stderr so far (complete once it has ended).
    std::string Output() const;
    const std::filesystem::path& outputFile() const { return outputFile_; }

private:
    int pid_ = -1;
    std::optional<int> exitCode_;
    std::filesystem::path outputFile_;
};

// A Windows program run through `wine`.
class WineProcess : public ChildProcess {
public:
    WineProcess(const std::vector<std::string>& arguments, const Environment& extra = {});
};

struct RunResult {
    std::optional<int> exitCode;  // nothing: timed out (and killed)
    std::string output;
};

// Runs a program to its end or the time-out.
RunResult RunProgram(const std::vector<std::string>& arguments, Milliseconds timeout, const Environment& extra = {});
RunResult RunWine(const std::vector<std::string>& arguments, Milliseconds timeout, const Environment& extra = {});

// Whether a program of this name is found in PATH.
bool InPath(const std::string& program);
