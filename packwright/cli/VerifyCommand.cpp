// packwright verify INSTALLER [--manifest MANIFEST]: what can be checked, what cannot, and
// with a manifest, every byte against what it builds.
#include <fmt/format.h>

#include <memory>
#include <string>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/cli/BuildInputs.h"
#include "packwright/cli/Commands.h"
#include "packwright/cli/Progress.h"
#include "packwright/examine/Verify.h"
#include "packwright/parallel/WorkerPool.h"
#include "packwright/sign/SignatureCheck.h"

namespace {
struct VerifyArguments {
    std::string path;
    std::string manifest;
    BuildInputs inputs;
    bool json = false;
};

// Prints the text on `out`, each line after the first prefixed when it goes to stderr.
void PrintReport(const std::string& text, bool failed) {
    if (!failed) {
        fmt::print("{}", text);
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        fmt::print(stderr, "packwright verify: {}\n", text.substr(start, end - start));
        start = end + 1;
    }
}

int RunVerify(const VerifyArguments& a) {
    BuildOptions build;
    build.manifestPath = a.manifest;
    build.outputPath = a.path;
    build.messages = nullptr;
    if (!ApplyBuildInputs(a.inputs, build)) return 2;
    VerifyOptions options;
    options.jobs = JobsOrAllCores(a.inputs.jobs);
    options.shippedStubPath = DefaultStubPath();
    options.packwrightVersion = PackwrightVersion();
    options.checkSignature = CheckSignature;
    VerifyReport report;
    {
        Progress progress(stderr, StderrIsTerminal(), "verifying", Progress::Unit::Blocks);
        options.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
        report = VerifyInstaller(a.path, options);
    }
    if (!a.manifest.empty() && report.signature) {
        // The manifest builds the unsigned installer, laid out without room for a signature.
        fmt::print(stderr, "packwright verify: --manifest compares with an unsigned build and cannot check a signed "
                           "installer; verify it without --manifest, which checks its signature\n");
        return 2;
    }
    if (!a.manifest.empty() && !report.error) {
        report.manifestPath = a.manifest;
        build.outputPath = report.package.path;
        Progress progress(stderr, StderrIsTerminal(), "rebuilding");
        build.progress = [&](u64 done, u64 total) { progress.Update(done, total); };
        try {
            report.comparison = CompareWithBuild(build);
        } catch (const ManifestError& e) {
            PrintDiagnostics(e);
            fmt::print(stderr, "packwright verify: the manifest cannot be built, so nothing was compared\n");
            return 1;
        } catch (const BuildError& e) {
            fmt::print(stderr, "packwright verify: {}; nothing was compared\n", e.what());
            return 1;
        }
    }
    int code = report.ExitCode();
    if (a.json) {
        fmt::print("{}", VerifyJson(report));
    } else {
        PrintReport(VerifyText(report), code != 0);
        for (const std::string& w : report.Warnings()) fmt::print(stderr, "packwright verify: warning: {}\n", w);
    }
    return code;
}
}  // namespace

void AddVerifyCommand(CLI::App& app, int* exitCode) {
    auto args = std::make_shared<VerifyArguments>();
    auto* command = app.add_subcommand("verify", "check every block and record of an installer, its volumes and its signature");
    command->add_option("installer", args->path, "the installer (or UNINST.EXE / FINALIZE.EXE)")->required();
    command->add_option("--manifest", args->manifest,
                        "also build this manifest in memory and compare every byte with the installer")
        ->type_name("PATH");
    AddStubAndVolumeOptions(command, args->inputs);
    AddJobsOption(command, args->inputs.jobs, "blocks decoded (and encoded for --manifest)");
    command->add_flag("--json", args->json, "print JSON (see docs/json.md) instead of text");
    command->footer("Exit status: 0 every check passed; 1 damaged, incomplete or unreadable; 2 usage error; "
                    "3 sound, but not what --manifest builds; 4 sound, but its signature does not verify.");
    command->callback([args, exitCode] { *exitCode = RunVerify(*args); });
}
