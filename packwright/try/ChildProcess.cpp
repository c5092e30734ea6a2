#include "packwright/try/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace {
std::string UniqueName() {
    std::random_device random;
    return std::to_string(random()) + std::to_string(random());
}

std::vector<std::string> WithWine(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"wine"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}
}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const Environment& extra, enum Output output) {
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (!extra.count(entry.substr(0, entry.find('=')))) env.push_back(entry);
    }
    for (const auto& [name, value] : extra) env.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output == Output::File) {
        outputFile_ = fs::temp_directory_path() / ("packwright-" + UniqueName() + ".out");
        posix_spawn_file_actions_addopen(&actions, 1, outputFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    } else {
        posix_spawn_file_actions_adddup2(&actions, 2, 1);
    }
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // A group of its own, so a kill reaches the program and whatever it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    int error = posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + arguments[0]);
    }
}

ChildProcess::~ChildProcess() {
    Kill();
    std::error_code ignored;
    if (!outputFile_.empty()) fs::remove(outputFile_, ignored);
}

std::optional<int> ChildProcess::Wait(Milliseconds timeout) {
    if (exitCode_ || pid_ < 0) return exitCode_;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid_ = -1;
            return exitCode_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(Milliseconds(20));
    }
}

void ChildProcess::Kill() {
    if (pid_ < 0) return;
    kill(-pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string ChildProcess::Output() const {
    std::ifstream in(outputFile_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

WineProcess::WineProcess(const std::vector<std::string>& arguments, const Environment& extra)
    : ChildProcess(WithWine(arguments), extra) {}

RunResult RunProgram(const std::vector<std::string>& arguments, Milliseconds timeout, const Environment& extra) {
    ChildProcess process(arguments, extra);
    RunResult result;
    result.exitCode = process.Wait(timeout);
    process.Kill();
    result.output = process.Output();
    return result;
}

RunResult RunWine(const std::vector<std::string>& arguments, Milliseconds timeout, const Environment& extra) {
    return RunProgram(WithWine(arguments), timeout, extra);
}

bool InPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0) return true;
    return false;
}
