// packwright build MANIFEST -o SETUP.EXE: a setup executable from a manifest.
#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/builder/ManifestReader.h"
#include "packwright/builder/Progress.h"
#include "packwright/cli/Commands.h"

namespace {
struct BuildArguments {
    std::string manifest;
    std::string output;
    std::string stub;
    unsigned jobs = 0;
    std::string volumeSize;
    bool quiet = false;
};

int RunBuild(const BuildArguments& a) {
    BuildOptions options;
    options.manifestPath = a.manifest;
    options.outputPath = a.output;
    options.stubPath = a.stub;
    options.jobs = a.jobs ? a.jobs : std::max(1u, std::thread::hardware_concurrency());
    options.messages = a.quiet ? nullptr : stderr;
    options.terminal = !a.quiet && ::isatty(STDERR_FILENO);
    if (!a.volumeSize.empty()) {
        u64 size;
        if (a.volumeSize == "0" || a.volumeSize == "none") {
            options.volumeSize = 0;
        } else if (ParseByteSize(a.volumeSize, &size) && size > 0) {
            options.volumeSize = size;
        } else {
            fmt::print(stderr, "packwright: --volume-size '{}' is not a size such as 1457664 or \"1440 KiB\"\n",
                       a.volumeSize);
            return 2;
        }
    }
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        long long seconds = std::strtoll(epoch, &end, 10);
        if (*end || seconds < 0) {
            fmt::print(stderr, "packwright: SOURCE_DATE_EPOCH '{}' is not a number of seconds\n", epoch);
            return 2;
        }
        options.latestFileTime = seconds;
    }
    try {
        BuildResult result = BuildInstaller(options);
        if (!a.quiet) {
            fmt::print("{} files, {} in {} blocks\n", result.fileCount, HumanBytes(result.inputBytes), result.totalBlocks);
            for (std::size_t i = 0; i < result.volumes.size(); ++i)
                fmt::print("wrote {} ({})\n", result.volumes[i], HumanBytes(result.volumeSizes[i]));
        }
        return 0;
    } catch (const ManifestError& e) {
        // Warnings too: they often explain the error next to them.
        for (const Diagnostic& d : e.Diagnostics()) fmt::print(stderr, "{}\n", FormatDiagnostic(d));
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
        ->required();
    command->add_option("--stub", args->stub, "the stub to use instead of the one installed beside packwright");
    command->add_option("-j,--jobs", args->jobs, "blocks encoded at the same time (default: all cores)")
        ->check(CLI::Range(1u, 256u));
    command->add_option("--volume-size", args->volumeSize,
                        "split into volumes of at most this size (\"1440 KiB\", \"650 MB\"; 0 for one file); "
                        "overrides the manifest");
    command->add_flag("-q,--quiet", args->quiet, "print errors only");
    command->callback([args, exitCode] { *exitCode = RunBuild(*args); });
}
