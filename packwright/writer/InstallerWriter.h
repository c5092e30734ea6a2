// Whole installers: the stub with its locator patched, then the Package stream split into
// volumes. The entry points the builder and the tests use.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "packwright/writer/PackageModel.h"
#include "packwright/writer/PackageWriter.h"
#include "packwright/writer/VolumeComparison.h"
#include "packwright/writer/VolumeWriter.h"

// Writes the Package stream into the sink it is given.
using StreamProducer = std::function<void(ByteSink&)>;

struct WrittenInstaller {
    std::vector<std::string> paths;  // volume 0 first
    std::vector<u64> sizes;
    u32 packageOffset = 0;  // the stub's size
    u64 streamBytes = 0;
};

// To files: outputPath is volume 0, further volumes are named by VolumeFileName. Each file
// appears under its real name only once everything was written.
WrittenInstaller WriteInstallerFiles(const ByteVector& stub, const StreamProducer& produce,
                                     const std::string& outputPath, VolumeLayout layout = {});
// Compares what would be written with the installer files at installerPath.
VolumeComparison CompareInstallerFiles(const ByteVector& stub, const StreamProducer& produce,
                                       const std::string& installerPath, VolumeLayout layout = {});
// In memory: the bytes of every volume file.
std::vector<ByteVector> BuildInstallerVolumes(const ByteVector& stub, const StreamProducer& produce,
                                              VolumeLayout layout = {});

// Producers for the two kinds of Package. The package is used by reference: it must
// outlive the producer.
StreamProducer InstallStream(const InstallPackage& package, WriterOptions options = {});
StreamProducer CompanionStream(const CompanionPackage& package);

// Conveniences: one volume in memory.
ByteVector BuildInstallerImage(const ByteVector& stub, const InstallPackage& package);
ByteVector BuildCompanionImage(const ByteVector& stub, const CompanionPackage& package, bool recordSize = false);
