// packwright build MANIFEST -o SETUP.EXE: a setup executable from a manifest.
#include <fmt/format.h>

#include <memory>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/cli/BuildInputs.h"
#include "packwright/cli/Commands.h"
#include "packwright/cli/Progress.h"
#include "packwright/text/TextRendering.h"
#include "packwright/cli/SigningOptions.h"
#include "packwright/sign/ExternalTool.h"
#include "packwright/sign/SignInstaller.h"

namespace {
struct BuildArguments {
    std::string manifest;
    std::string output;
    BuildInputs inputs;
    SigningInputs signing;
    bool quiet = false;
};

// Signs what the build wrote, in place; when that fails, the unsigned installer is removed
// again, so that a build asked to sign never leaves an unsigned one behind.
int SignBuilt(const BuildArguments& a, BuildResult& result) {
    SignRequest request;
    request.installer = request.output = a.output;
    request.key = a.signing.key;
    request.volumeSize = result.volumeSize;
    request.jobs = a.inputs.jobs;
    try {
        SignedInstaller signedInstaller = SignInstaller(request);
        result.volumes = signedInstaller.volumes;
        result.volumeSizes = signedInstaller.sizes;
        return 0;
    } catch (const SignError& e) {
        for (const std::string& path : result.volumes) std::remove(path.c_str());
        fmt::print(stderr, "packwright: {}\npackwright: nothing was written\n", e.what());
        return 1;
    }
}

int RunBuild(BuildArguments& a) {
    BuildOptions options;
    options.manifestPath = a.manifest;
    options.outputPath = a.output;
    options.messages = a.quiet ? nullptr : stderr;
    if (!ApplyBuildInputs(a.inputs, options)) return 2;
    bool signing = a.signing.Requested();
    if (signing) {
        if (!ApplySigningInputs(a.signing)) return 2;
        // Found out before anything is built and written.
        if (!RunTool({"osslsigncode", "--version"}).found) {
            fmt::print(stderr, "packwright: {}\n", MissingSignerMessage());
            return 1;
        }
    }
    Progress progress(a.quiet ? nullptr : stderr, StderrIsTerminal(), "encoding");
    options.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
    try {
        BuildResult result = BuildInstaller(options);
        progress.Finish();
        if (signing && SignBuilt(a, result) != 0) return 1;
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
    auto* command = app.add_subcommand("build", "build a setup executable from a manifest (and sign it, with --sign-...)");
    command->add_option("manifest", args->manifest, "the manifest (TOML)")->required();
    command->add_option("-o,--output", args->output, "the setup executable to write (volumes go beside it)")
        ->type_name("PATH")
        ->required();
    AddStubAndVolumeOptions(command, args->inputs);
    AddJobsOption(command, args->inputs.jobs, "blocks encoded");
    AddSigningOptions(command, args->signing);
    command->add_flag("-q,--quiet", args->quiet, "print errors only");
    command->callback([args, exitCode] { *exitCode = RunBuild(*args); });
}
