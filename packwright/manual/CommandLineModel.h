// The command line as the man page and the shell completions describe it, read from the very
// CLI::App that parses it, so that none of them can drift from --help.
#pragma once
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

struct OptionModel {
    std::vector<std::string> names;  // "-o", "--output"; a positional has none
    std::string positional;          // its name, for a positional
    std::string value;               // what the option takes ("TEXT", "UINT"); empty for a flag
    std::string description;
    bool required = false;
};

struct CommandModel {
    std::string name;  // empty for the program itself
    std::string description;
    std::vector<OptionModel> options;  // named options first, then positionals in order
};

struct CommandLineModel {
    CommandModel program;
    std::vector<CommandModel> commands;
};

CommandLineModel ModelOf(const CLI::App& app);
