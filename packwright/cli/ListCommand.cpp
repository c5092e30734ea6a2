#include <cstdio>

#include "packwright/cli/Commands.h"

// Placeholder until the command is built.
void AddListCommand(CLI::App& app, int* exitCode) {
    auto* command = app.add_subcommand("list", "not yet available");
    command->allow_extras();
    command->callback([exitCode] {
        std::fprintf(stderr, "packwright: 'list' is not available yet\n");
        *exitCode = 1;
    });
}
