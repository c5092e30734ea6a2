#include "packwright/cli/BuildInputs.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdlib>

#include "packwright/builder/ManifestReader.h"

void AddStubAndVolumeOptions(CLI::App* command, BuildInputs& inputs) {
    command->add_option("--stub", inputs.stub, "the stub to build on instead of the one shipped with packwright")
        ->type_name("PATH");
    command->add_option("--volume-size", inputs.volumeSize,
                        "split into volumes of at most this size (\"1440 KiB\", \"650 MB\"; 0 for one file); "
                        "overrides the manifest")
        ->type_name("SIZE");
}

void AddJobsOption(CLI::App* command, unsigned& jobs, const std::string& what) {
    command->add_option("-j,--jobs", jobs, what + " at the same time, 1 to 256 (default: all cores)")
        ->type_name("N")
        ->check(CLI::Range(1u, 256u).description(""));
}

bool ApplyBuildInputs(const BuildInputs& inputs, BuildOptions& options) {
    options.stubPath = inputs.stub;
    options.jobs = inputs.jobs;
    if (!inputs.volumeSize.empty()) {
        u64 size;
        if (inputs.volumeSize == "0" || inputs.volumeSize == "none") {
            options.volumeSize = 0;
        } else if (ParseByteSize(inputs.volumeSize, &size) && size > 0) {
            options.volumeSize = size;
        } else {
            fmt::print(stderr, "packwright: --volume-size '{}' is not a size such as 1457664 or \"1440 KiB\"\n",
                       inputs.volumeSize);
            return false;
        }
    }
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        long long seconds = std::strtoll(epoch, &end, 10);
        if (*end || seconds < 0) {
            fmt::print(stderr, "packwright: SOURCE_DATE_EPOCH '{}' is not a number of seconds\n", epoch);
            return false;
        }
        options.latestFileTime = seconds;
    }
    return true;
}

void PrintDiagnostics(const ManifestError& error) {
    for (const Diagnostic& d : error.Diagnostics()) fmt::print(stderr, "{}\n", FormatDiagnostic(d));
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }
