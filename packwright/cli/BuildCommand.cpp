// packwright build MANIFEST -o SETUP.EXE: a setup executable from a manifest.
#include <fmt/format.h>

#include <memory>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/cli/BuildInputs.h"
#include "packwright/cli/Commands.h"
#include "packwright/cli/Progress.h"
#include "packwright/text/TextRendering.h"

namespace {
struct BuildArguments {
    std::string manifest;
    std::string output;
    BuildInputs inputs;
    bool quiet = false;
};

int RunBuild(const BuildArguments& a) {
    BuildOptions options;
    options.manifestPath = a.manifest;
    options.outputPath = a.output;
    options.messages = a.quiet ? nullptr : stderr;
    if (!ApplyBuildInputs(a.inputs, options)) return 2;
    Progress progress(a.quiet ? nullptr : stderr, StderrIsTerminal(), "encoding");
    options.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
    try {
        BuildResult result = BuildInstaller(options);
        progress.Finish();
        if (!a.quiet) {
            fmt::print("{}, {} in {}\n", CountOf(result.fileCount, "file"), HumanBytes(result.inputBytes),
                       CountOf(result.totalBlocks, "block"));
            for (std::size_t i = 0; i < result.volumes.size(); ++i)
                fmt::print("wrote {} ({})\n", result.volumes[i], HumanBytes(result.volumeSizes[i]));
        }
        return 0;
    } catch (const ManifestError& e) {
        PrintDiagnostics(e);
        fmt::print(stderr, "packwright: nothing was written\n");
        return 1;
    } catch (const BuildError& e) {
        fmt::print(stderr, "packwright: {}\npackwright: nothing was written\n", e.what());
        return 1;
    }
}
}  // namespace

void AddBuildCommand(CLI::App& app, int* exitCode) {
    auto args = std::make_shared<BuildArguments>();
    auto* command = app.add_subcommand("build", "build a setup executable from a manifest");
    command->add_option("manifest", args->manifest, "the manifest (TOML)")->required();
    command->add_option("-o,--output", args->output, "the setup executable to write (volumes go beside it)")
        ->type_name("PATH")
        ->required();
    AddStubAndVolumeOptions(command, args->inputs);
    AddJobsOption(command, args->inputs.jobs, "blocks encoded");
    command->add_flag("-q,--quiet", args->quiet, "print errors only");
    command->callback([args, exitCode] { *exitCode = RunBuild(*args); });
}
