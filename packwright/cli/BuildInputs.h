// What `build` and `verify --manifest` both take: the manifest, the stub, the volume size,
// the jobs, and SOURCE_DATE_EPOCH from the environment.
#pragma once
#include <CLI/CLI.hpp>
#include <string>

#include "packwright/builder/BuildInstaller.h"

struct BuildInputs {
    std::string stub;
    std::string volumeSize;
    unsigned jobs = 0;
};

// The options --stub and --volume-size.
void AddStubAndVolumeOptions(CLI::App* command, BuildInputs& inputs);
// -j/--jobs; `what` says what runs at the same time.
void AddJobsOption(CLI::App* command, unsigned& jobs, const std::string& what);
// Fills the options from the inputs; on a usage mistake prints it and returns false.
bool ApplyBuildInputs(const BuildInputs& inputs, BuildOptions& options);
// Every diagnostic of a manifest that cannot be built, warnings too: they often explain the
// error next to them.
void PrintDiagnostics(const ManifestError& error);
// Whether stderr is a terminal (progress bars) and not silenced.
bool StderrIsTerminal();
