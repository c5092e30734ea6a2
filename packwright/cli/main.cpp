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
    CLI::App app;
    int exitCode = 0;
    ConfigureApp(app, &exitCode);
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
