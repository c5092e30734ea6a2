#include <cstdio>

#include "packwright/cli/Commands.h"

// Placeholder until the command is built.
void AddExtractCommand(CLI::App& app, int* exitCode) {
    auto* command = app.add_subcommand("extract", "not yet available");
    command->allow_extras();
    command->callback([exitCode] {
        std::fprintf(stderr, "packwright: 'extract' is not available yet\n");
        *exitCode = 1;
    });
}
