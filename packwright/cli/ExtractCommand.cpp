// packwright extract INSTALLER -d FOLDER: the packaged files, written under FOLDER.
#include <fmt/format.h>

#include <memory>
#include <string>

#include "packwright/cli/BuildInputs.h"
#include "packwright/cli/Commands.h"
#include "packwright/cli/Progress.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/Extract.h"
#include "packwright/parallel/WorkerPool.h"
#include "packwright/text/TextRendering.h"

namespace {
struct ExtractArguments {
    std::string path;
    std::string destination;
    ExtractOptions options;
};

int RunExtract(ExtractArguments& a) {
    ExtractSummary summary;
    try {
        Progress progress(stderr, StderrIsTerminal(), "extracting", Progress::Unit::Blocks);
        a.options.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
        a.options.jobs = JobsOrAllCores(a.options.jobs);
        summary = ExtractPackage(a.path, a.destination, a.options);
    } catch (const ExamineError& e) {
        fmt::print(stderr, "packwright extract: {}\n", e.what());
        return 1;
    }
    const ExaminedPackage& p = summary.package;
    for (const Problem& problem : p.problems) fmt::print(stderr, "packwright extract: {}\n", problem.message);
    for (const std::string& w : summary.warnings) fmt::print(stderr, "packwright extract: warning: {}\n", w);
    for (const std::string& file : summary.notWritten) fmt::print(stderr, "packwright extract: not written: {}\n", file);
    if (!p.complete)
        fmt::print(stderr, "packwright extract: {}\n",
                   a.options.keepGoing ? "reading stopped early: the files after that point were not written"
                                       : "stopped at the first damage: the files after it were not written "
                                         "(--keep-going writes the intact ones)");
    fmt::print("extracted {} ({}) to {}\n", CountOf(summary.files, "file"), CountOf(summary.bytes, "byte"), a.destination);
    bool failed = !p.complete || !p.problems.empty() || !summary.notWritten.empty();
    return failed ? 1 : 0;
}
}  // namespace

void AddExtractCommand(CLI::App& app, int* exitCode) {
    auto args = std::make_shared<ExtractArguments>();
    auto* command = app.add_subcommand("extract", "write the files of an installer into a folder");
    command->add_option("installer", args->path, "the installer")->required();
    command->add_option("-d,--directory", args->destination, "destination folder (created if missing)")
        ->type_name("FOLDER")
        ->required();
    command->add_flag("--keep-going", args->options.keepGoing,
                      "go past a damaged file to the next one the block lengths allow; every file not written is "
                      "named and the exit code is still 1");
    command->add_flag("--force", args->options.force, "replace files that exist in the destination");
    AddJobsOption(command, args->options.jobs, "blocks decoded");
    command->callback([args, exitCode] { *exitCode = RunExtract(*args); });
}
