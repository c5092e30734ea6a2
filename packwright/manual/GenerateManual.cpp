// Writes the man page and the shell completions of packwright into a folder, at build time,
// from the command line packwright itself parses.
#include <cstdio>
#include <fstream>

#include "packwright/cli/Commands.h"
#include "packwright/manual/Completions.h"
#include "packwright/manual/ManPage.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    CLI::App app;
    int exitCode = 0;
    ConfigureApp(app, &exitCode);
    CommandLineModel model = ModelOf(app);
    std::string folder = argv[1];
    const std::pair<const char*, std::string> outputs[] = {
        {"packwright.1", ManPage(model, PackwrightVersion())},
        {"packwright.bash", BashCompletion(model)},
        {"_packwright", ZshCompletion(model)}};
    for (const auto& [name, text] : outputs) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name);
            return 1;
        }
    }
    return 0;
}
