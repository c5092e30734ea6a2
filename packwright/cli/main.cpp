// packwright: builds self-extracting installers, lists, verifies and extracts them, and tries
// them under Wine.
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "packwright/cli/Commands.h"
#include "packwright/text/NearestName.h"

int main(int argc, char** argv) {
    // Every block allocates buffers of a few hundred KiB. Keeping freed memory in the heap
    // instead of handing it back to the system spares a page fault per page per block.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    CLI::App app;
    int exitCode = 0;
    ConfigureApp(app, &exitCode);
    // A first word that is no command is most likely a mistyped one: name it, and the nearest
    // command, rather than report a missing subcommand.
    if (argc > 1 && argv[1][0] != '-') {
        std::vector<std::string> names;
        for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
            names.push_back(command->get_name());
        if (std::find(names.begin(), names.end(), argv[1]) == names.end()) {
            std::string nearest = NearestName(argv[1], names);
            std::fprintf(stderr, "packwright: '%s' is not a command%s\nRun with --help for more information.\n", argv[1],
                         nearest.empty() ? "" : ("; did you mean '" + nearest + "'?").c_str());
            return 2;
        }
    }
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
