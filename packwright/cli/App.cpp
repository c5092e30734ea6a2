#include "packwright/cli/Commands.h"

void ConfigureApp(CLI::App& app, int* exitCode) {
    app.description("packwright: build, sign, list, verify, extract and try self-extracting installers");
    // Every help text in one style, CLI11's own included; subcommands added later inherit it.
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", std::string("packwright ") + PackwrightVersion(), "print the version and exit");
    app.require_subcommand(1);
    AddInitCommand(app, exitCode);
    AddBuildCommand(app, exitCode);
    AddSignCommand(app, exitCode);
    AddListCommand(app, exitCode);
    AddVerifyCommand(app, exitCode);
    AddExtractCommand(app, exitCode);
    AddTryCommand(app, exitCode);
}
