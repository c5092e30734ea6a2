#include "packwright/writer/InstallerWriter.h"

#include <filesystem>

#include "packwright/writer/StubPatch.h"
#include "packwright/writer/WriterError.h"

namespace {
ByteVector PatchedStub(const ByteVector& stub) {
    if (stub.size() > 0xFFFFFFFFull) throw WriterError("the stub is larger than 4 GiB");
    // The Package starts right after the stub's last byte.
    return PatchLocator(stub, static_cast<u32>(stub.size()));
}
}  // namespace

WrittenInstaller WriteInstallerFiles(const ByteVector& stub, const StreamProducer& produce,
                                     const std::string& outputPath, VolumeLayout layout) {
    ByteVector patched = PatchedStub(stub);
    FileVolumeStore store(outputPath);
    VolumeSink sink(store, patched, layout);
    produce(sink);
    sink.Finish();
    store.Commit();
    WrittenInstaller result;
    result.paths = store.Paths();
    result.packageOffset = static_cast<u32>(stub.size());
    result.streamBytes = sink.StreamBytes();
    for (const std::string& path : result.paths) {
        std::error_code ec;
        result.sizes.push_back(std::filesystem::file_size(path, ec));
    }
    return result;
}

VolumeComparison CompareInstallerFiles(const ByteVector& stub, const StreamProducer& produce,
                                       const std::string& installerPath, VolumeLayout layout) {
    ByteVector patched = PatchedStub(stub);
    ComparingVolumeStore store(installerPath, patched.size());
    try {
        VolumeSink sink(store, patched, layout);
        produce(sink);
        sink.Finish();
        store.Finish();
    } catch (const ComparisonEnded&) {
    }
    return store.result;
}

std::vector<ByteVector> BuildInstallerVolumes(const ByteVector& stub, const StreamProducer& produce,
                                              VolumeLayout layout) {
    ByteVector patched = PatchedStub(stub);
    MemoryVolumeStore store;
    VolumeSink sink(store, patched, layout);
    produce(sink);
    sink.Finish();
    return std::move(store.volumes);
}

StreamProducer InstallStream(const InstallPackage& package, WriterOptions options) {
    return [&package, options](ByteSink& sink) { WriteInstallPackage(package, sink, options); };
}

StreamProducer CompanionStream(const CompanionPackage& package) {
    return [&package](ByteSink& sink) { WriteCompanionPackage(package, sink); };
}

ByteVector BuildInstallerImage(const ByteVector& stub, const InstallPackage& package) {
    return BuildInstallerVolumes(stub, InstallStream(package)).front();
}

ByteVector BuildCompanionImage(const ByteVector& stub, const CompanionPackage& package, bool recordSize) {
    VolumeLayout layout;
    layout.recordSizes = recordSize;  // the installer writes companions with ExpectedSize 0
    return BuildInstallerVolumes(stub, CompanionStream(package), layout).front();
}
