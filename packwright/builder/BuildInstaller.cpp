#include "packwright/builder/BuildInstaller.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <fstream>
#include <iterator>
#include <thread>

#include "packwright/parallel/WorkerPool.h"
#include "packwright/pe/VersionResource.h"

#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/ManifestReader.h"
#include "packwright/builder/ShippedFiles.h"
#include "packwright/builder/StubVersion.h"
#include "packwright/writer/InstallerWriter.h"
#include "packwright/writer/PackageLimits.h"
#include "packwright/writer/StubPatch.h"
#include "packwright/writer/WriterError.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t ReadChunk = 1 << 20;

void Report(std::FILE* out, const Diagnostic& d) {
    if (out) fmt::print(out, "{}\n", FormatDiagnostic(d));
}

InstallPlan Plan(const BuildOptions& options, const Manifest& manifest, Diagnostics& d, BuildResult& result) {
    // Planning a manifest with reading errors still finds the problems of its other parts,
    // so one run reports them all.
    InstallPlan plan;
    if (manifest.parsed) plan = PlanInstall(manifest, d);
    if (options.volumeSize) plan.volumeSize = *options.volumeSize;
    if (d.HasErrors()) throw ManifestError(d.All());
    if (options.latestFileTime) {
        FileTime latest = FileTimeFromUnix(*options.latestFileTime);
        for (PlannedFile& f : plan.files) f.time = std::min(f.time, latest);
    }
    for (const Diagnostic& w : d.All()) {
        result.warnings.push_back(w);
        Report(options.messages, w);
    }
    return plan;
}

ByteVector LoadStub(const std::string& path, bool chosen) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (chosen) throw BuildError(fmt::format("cannot read the stub '{}': {}", path, std::strerror(errno)));
        throw BuildError(fmt::format("no stub found at '{}'; build the Windows stub or name one with --stub PATH",
                                     fmt::join(ShippedFileCandidates("stub.exe"), "' or '")));
    }
    ByteVector stub((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        FindStubLocator(stub.data(), stub.size());
    } catch (const WriterError& e) {
        throw BuildError(fmt::format("'{}' cannot serve as the stub: {}", path, e.what()));
    }
    if (stub.size() > 0x7FFFFFFF) throw BuildError(fmt::format("the stub '{}' is too large", path));
    return stub;
}

void CheckVolumeSize(const InstallPlan& plan, const ByteVector& stub, const BuildOptions& options,
                     const Manifest& manifest, Diagnostics& d) {
    if (plan.volumeSize == 0) return;
    // Every volume starts with its 4-byte size and must carry at least one byte of the
    // Package; the first one also carries the stub.
    std::string problem;
    if (plan.volumeSize <= stub.size() + 4)
        problem = fmt::format("{} bytes is too small: the first volume needs {} bytes for the stub and its size "
                              "field, and at least one more for the package",
                              plan.volumeSize, stub.size() + 4);
    else if (plan.volumeSize > 0xFFFFFFFFull)
        problem = "must be below 4 GiB: the installer reads volume sizes as 32-bit numbers";
    if (!problem.empty()) {
        if (options.volumeSize) throw BuildError("--volume-size " + problem);
        d.Error(manifest.LineOf("volume_size"), "volume_size", problem);
        throw ManifestError(d.All());
    }
    // Volume k is named by replacing the text after the last '.' of the name: without an
    // extension the name of the folder would be cut instead.
    if (fs::path(options.outputPath).filename().string().find('.') == std::string::npos)
        throw BuildError(fmt::format("the output '{}' needs an extension such as .exe when it is split into volumes",
                                     options.outputPath));
}

// Streams one source file into the writer, refusing a file that changed since it was planned:
// its block count and size are already in the header.
void AddFileContents(InstallStreamWriter& writer, const PlannedFile& f, std::vector<u8>& buffer) {
    struct Descriptor {
        int fd;
        ~Descriptor() {
            if (fd >= 0) ::close(fd);
        }
    } file{::open(f.source.c_str(), O_RDONLY | O_CLOEXEC)};
    int fd = file.fd;
    if (fd < 0) throw BuildError(fmt::format("cannot read '{}': {}", f.source, std::strerror(errno)));
    u64 left = f.size;
    bool changed = false;
    while (true) {
        std::size_t want = left > 0 ? static_cast<std::size_t>(std::min<u64>(left, buffer.size())) : 1;
        ssize_t got = ::read(fd, buffer.data(), want);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw BuildError(fmt::format("cannot read '{}': {}", f.source, std::strerror(errno)));
        }
        if (left == 0) {
            changed = got > 0;  // anything beyond the planned size: the file grew
            break;
        }
        if (got == 0) {
            changed = true;
            break;
        }
        writer.AddFileData(buffer.data(), static_cast<std::size_t>(got));
        left -= static_cast<u64>(got);
    }
    if (changed) throw BuildError(fmt::format("'{}' changed while the installer was being built", f.source));
}

// A glob over the folder the installer is written to would pack the previous installer
// into the new one.
void RejectOutputsAsSources(const InstallPlan& plan, const std::string& output, Diagnostics& d) {
    std::vector<std::string> outputs;
    for (u32 i = 0;; ++i) {
        std::string path = i == 0 ? output : VolumeFileName(output, i);
        std::error_code ec;
        if (!fs::exists(path, ec)) break;
        outputs.push_back(path);
    }
    for (const PlannedFile& f : plan.files)
        for (const std::string& path : outputs) {
            std::error_code ec;
            if (fs::equivalent(f.source, path, ec))
                d.Error(f.line, f.field, fmt::format("'{}' is an output of this build; leave it out", f.source));
        }
    if (d.HasErrors()) throw ManifestError(d.All());
}

void RemoveStaleVolumes(const std::string& output, u32 firstUnused) {
    // Volumes of an earlier, longer build would otherwise sit beside the new installer.
    for (u32 i = firstUnused;; ++i) {
        std::string path = VolumeFileName(output, i);
        if (::unlink(path.c_str()) != 0) break;
    }
}

}  // namespace

std::string DefaultStubPath() { return ShippedFilePath("stub.exe"); }

std::string DefaultDriverPath() { return ShippedFilePath("driver.exe"); }

namespace {
// The name the installer is built under. verify --manifest compares with an installer that
// may have been renamed since: the name it was built under is then the one it records.
std::string OriginalFileName(const std::string& outputPath, bool comparing) {
    std::string name = fs::path(outputPath).filename().string();
    if (!comparing) return name;
    std::ifstream in(outputPath, std::ios::binary);
    if (!in) return name;
    ByteVector bytes(1 << 20);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::optional<VersionLayout> layout = ReadVersionLayout(bytes.data(), bytes.size());
    if (!layout) return name;
    for (const VersionString& s : layout->strings)
        if (s.key == "OriginalFilename") {
            std::string recorded = ReadVersionText(bytes.data(), s);
            if (!recorded.empty()) return recorded;
        }
    return name;
}

// Everything a build needs before its first byte: the checked plan and the stub.
struct PreparedBuild {
    InstallPlan plan;
    ByteVector stub;
    BuildResult result;
};

PreparedBuild Prepare(const BuildOptions& options, bool comparing) {
    PreparedBuild b;
    Diagnostics d(options.manifestPath);
    Manifest manifest = ReadManifest(options.manifestPath, d);
    b.plan = Plan(options, manifest, d, b.result);
    bool chosen = !options.stubPath.empty();
    b.stub = LoadStub(chosen ? options.stubPath : DefaultStubPath(), chosen);
    CheckVolumeSize(b.plan, b.stub, options, manifest, d);
    FillStubVersion(b.stub, manifest, OriginalFileName(options.outputPath, comparing), d);
    RejectOutputsAsSources(b.plan, options.outputPath, d);
    if (fs::is_directory(options.outputPath))
        throw BuildError(fmt::format("the output '{}' is a folder", options.outputPath));
    return b;
}

// Writes the Package stream of the plan, reading each source as it goes.
StreamProducer Producer(const InstallPlan& plan, const BuildOptions& options) {
    WriterOptions writerOptions;
    writerOptions.threads = JobsOrAllCores(options.jobs);
    writerOptions.progress = [&plan, progress = options.progress](u64 done, u64) {
        if (progress) progress(std::min<u64>(done * BuiltBlockSize, plan.totalBytes), plan.totalBytes);
    };
    return [&plan, writerOptions](ByteSink& sink) {
        InstallStreamWriter writer(sink, writerOptions);
        writer.WriteHeader(plan.header, FileSizesOf(plan));
        std::vector<u8> buffer(ReadChunk);
        for (const PlannedFile& f : plan.files) {
            writer.BeginFile({f.target, {f.version.major, f.version.minor, f.version.build, f.version.revision},
                              f.time, f.shared},
                             f.size);
            AddFileContents(writer, f, buffer);
            writer.EndFile();
        }
        writer.EndFiles();
        writer.WriteSectionsAfterFiles(plan.shortcutLines, plan.registryLines, plan.runAfter);
    };
}
}  // namespace

BuildResult BuildInstaller(const BuildOptions& options) {
    PreparedBuild b = Prepare(options, false);
    const InstallPlan& plan = b.plan;
    // Everything is checked: only now may the output's folder come into being.
    std::error_code ec;
    fs::path folder = fs::path(options.outputPath).parent_path();
    if (!folder.empty() && !fs::create_directories(folder, ec) && ec)
        throw BuildError(fmt::format("cannot create the folder '{}': {}", folder.string(), ec.message()));
    WrittenInstaller written;
    try {
        written = WriteInstallerFiles(b.stub, Producer(plan, options), options.outputPath, {plan.volumeSize, true});
    } catch (const WriterError& e) {
        throw BuildError(e.what());
    }
    RemoveStaleVolumes(options.outputPath, static_cast<u32>(written.paths.size()));
    BuildResult result = std::move(b.result);
    result.volumes = written.paths;
    result.volumeSizes = written.sizes;
    result.fileCount = plan.files.size();
    result.inputBytes = plan.totalBytes;
    result.totalBlocks = plan.totalBlocks;
    result.volumeSize = plan.volumeSize;
    return result;
}

VolumeComparison CompareWithBuild(const BuildOptions& options) {
    PreparedBuild b = Prepare(options, true);
    try {
        return CompareInstallerFiles(b.stub, Producer(b.plan, options), options.outputPath, {b.plan.volumeSize, true});
    } catch (const WriterError& e) {
        throw BuildError(e.what());
    }
}
