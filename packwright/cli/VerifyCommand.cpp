#include <cstdio>
#include <string>

#include "packwright/cli/Commands.h"
#include "packwright/examine/Progress.h"
#include "packwright/examine/Verify.h"

void AddVerifyCommand(CLI::App& app, int* exitCode) {
    auto* command = app.add_subcommand("verify", "Read and check every block of an installer and its volumes");
    auto path = std::make_shared<std::string>();
    command->add_option("installer", *path, "The installer (or UNINST.EXE / FINALIZE.EXE)")->required();
    command->callback([exitCode, path] {
        std::string report;
        bool sound;
        {
            ProgressLine progress("verifying");
            sound = VerifyPackage(*path, report, [&](u64 done, u64 total) { progress.Update(done, total); });
        }
        if (sound) {
            std::printf("%s: %s\n", path->c_str(), report.c_str());
            *exitCode = 0;
        } else {
            std::fprintf(stderr, "packwright verify: %s: %s\n", path->c_str(), report.c_str());
            *exitCode = 1;
        }
    });
}
