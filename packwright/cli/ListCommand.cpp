#include <cstdio>
#include <string>

#include "packwright/cli/Commands.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/Progress.h"

void AddListCommand(CLI::App& app, int* exitCode) {
    auto* command = app.add_subcommand("list", "Show the header, files, shortcuts and registry lines of an installer");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    command->add_option("installer", *path, "The installer (or UNINST.EXE / FINALIZE.EXE)")->required();
    command->add_flag("--json", *json, "Print JSON instead of text");
    command->callback([exitCode, path, json] {
        InspectedPackage package;
        try {
            {
                // Sizes come from decoding every block, which takes a while for large products.
                ProgressLine progress("reading");
                InspectCallbacks callbacks;
                callbacks.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
                InspectPackageInto(*path, package, callbacks);
            }
            *exitCode = 0;
        } catch (const ExamineError& e) {
            // What was read before the damage is still worth seeing; the error says where it stops.
            std::fprintf(stderr, "packwright list: %s\n", e.what());
            *exitCode = 1;
            if (!package.headerRead) return;
        }
        std::string text = *json ? ListingJson(package) : ListingText(package);
        std::fwrite(text.data(), 1, text.size(), stdout);
    });
}
