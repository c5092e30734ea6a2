// packwright: builds self-extracting installers and lists, verifies and extracts them.
#include <malloc.h>

#include <cstdio>
#include <exception>

#include "packwright/cli/Commands.h"

int main(int argc, char** argv) {
    // Every block allocates buffers of a few hundred KiB. Keeping freed memory in the heap
    // instead of handing it back to the system spares a page fault per page per block.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    CLI::App app{"packwright: build, sign, list, verify and extract self-extracting installers"};
    // Every help text in one style, CLI11's own included; subcommands added later inherit it.
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", std::string("packwright ") + PackwrightVersion(), "print the version and exit");
    app.require_subcommand(1);
    int exitCode = 0;
    AddListCommand(app, &exitCode);
    AddVerifyCommand(app, &exitCode);
    AddExtractCommand(app, &exitCode);
    AddBuildCommand(app, &exitCode);
    AddSignCommand(app, &exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : 2;  // help and version are a success; every other parse error is usage
    } catch (const std::exception& e) {
        std::fprintf(stderr, "packwright: %s\n", e.what());
        return 1;
    }
    return exitCode;
}
