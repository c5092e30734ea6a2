// packwright list INSTALLER: what an installer (or companion program) holds.
#include <cstdio>
#include <memory>
#include <string>

#include "packwright/cli/BuildInputs.h"
#include "packwright/cli/Commands.h"
#include "packwright/cli/Progress.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/JsonProblems.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/parallel/WorkerPool.h"

namespace {
struct ListArguments {
    std::string path;
    bool json = false;
    unsigned jobs = 0;
};

int RunList(const ListArguments& a) {
    ExaminedPackage package;
    try {
        // Sizes come from decoding every block, which takes a while for large products.
        Progress progress(stderr, StderrIsTerminal(), "reading", Progress::Unit::Blocks);
        ExamineCallbacks callbacks;
        callbacks.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
        ExaminePackageInto(a.path, package, callbacks, {JobsOrAllCores(a.jobs), true});
    } catch (const ExamineError& e) {
        if (a.json) std::fputs(UnreadableJson("list", a.path, e.what()).c_str(), stdout);
        std::fprintf(stderr, "packwright list: %s\n", e.what());
        return 1;
    }
    std::string text = a.json ? ListingJson(package) : ListingText(package);
    std::fwrite(text.data(), 1, text.size(), stdout);
    // What was read before any damage is still worth seeing; the problems say where it is.
    for (const Problem& p : package.problems) std::fprintf(stderr, "packwright list: %s\n", p.message.c_str());
    return package.problems.empty() ? 0 : 1;
}
}  // namespace

void AddListCommand(CLI::App& app, int* exitCode) {
    auto args = std::make_shared<ListArguments>();
    auto* command = app.add_subcommand("list", "show the header, files, shortcuts and registry lines of an installer");
    command->add_option("installer", args->path, "the installer (or UNINST.EXE / FINALIZE.EXE)")->required();
    command->add_flag("--json", args->json, "print JSON (see docs/json.md) instead of text");
    AddJobsOption(command, args->jobs, "blocks decoded");
    command->callback([args, exitCode] { *exitCode = RunList(*args); });
}
