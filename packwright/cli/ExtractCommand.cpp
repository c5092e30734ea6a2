#include <cstdio>
#include <string>

#include "packwright/cli/Commands.h"
#include "packwright/examine/Extract.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/Progress.h"

void AddExtractCommand(CLI::App& app, int* exitCode) {
    auto* command = app.add_subcommand("extract", "Write the files of an installer into a folder");
    auto path = std::make_shared<std::string>();
    auto destination = std::make_shared<std::string>();
    command->add_option("installer", *path, "The installer")->required();
    command->add_option("-d,--directory", *destination, "Destination folder (created if missing)")->required();
    command->callback([exitCode, path, destination] {
        try {
            ExtractSummary summary;
            {
                ProgressLine progress("extracting");
                summary = ExtractPackage(*path, *destination, [&](u64 done, u64 total) { progress.Update(done, total); });
            }
            for (const std::string& problem : summary.problems)
                std::fprintf(stderr, "packwright extract: warning: %s\n", problem.c_str());
            std::printf("extracted %u files (%llu bytes) to %s\n", summary.files,
                        static_cast<unsigned long long>(summary.bytes), destination->c_str());
            *exitCode = 0;
        } catch (const ExamineError& e) {
            std::fprintf(stderr, "packwright extract: %s\n", e.what());
            *exitCode = 1;
        }
    });
}
