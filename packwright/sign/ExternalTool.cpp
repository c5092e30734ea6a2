#include "packwright/sign/ExternalTool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern char** environ;

ToolRun RunTool(const std::vector<std::string>& argv) {
    ToolRun run;
    // Output goes to an unlinked temporary file rather than a pipe: nothing to drain while
    // the program runs, and no deadlock when it prints a lot.
    std::FILE* capture = std::tmpfile();
    if (!capture) {
        run.output = "cannot create a temporary file";
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fileno(capture), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fileno(capture), STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        run.found = spawned != ENOENT;
        run.output = std::string("cannot start ") + argv[0];
        std::fclose(capture);
        return run;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    std::rewind(capture);
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, capture)) > 0) run.output.append(buffer, got);
    std::fclose(capture);
    return run;
}
