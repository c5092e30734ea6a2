// Each subcommand of packwright registers itself on the application; its callback leaves
// the process exit code in *exitCode (0 success, 1 failure, 2 usage error, 3 an installer
// that differs from what its manifest builds, 4 an installer whose signature is broken).
#pragma once
#include <CLI/CLI.hpp>

void AddListCommand(CLI::App& app, int* exitCode);
void AddVerifyCommand(CLI::App& app, int* exitCode);
void AddExtractCommand(CLI::App& app, int* exitCode);
void AddBuildCommand(CLI::App& app, int* exitCode);
void AddSignCommand(CLI::App& app, int* exitCode);

void AddTryCommand(CLI::App& app, int* exitCode);

void AddInitCommand(CLI::App& app, int* exitCode);

// The whole command line: options, help and every subcommand. The man page and the shell
// completions are generated from it too.
void ConfigureApp(CLI::App& app, int* exitCode);

// The version of this packwright, which names the Stub it ships.
const char* PackwrightVersion();
