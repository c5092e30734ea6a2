#include "packwright/sign/SignInstaller.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "package/PeSecurity.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/parallel/WorkerPool.h"
#include "packwright/writer/VolumeWriter.h"
#include "packwright/writer/WriterError.h"

namespace fs = std::filesystem;

namespace {
constexpr u64 TableAlignment = 8;  // osslsigncode pads the file to this before the table
// Room kept beyond the measured table when a timestamp server answers: its reply may be a
// few bytes longer than the one the measurement got.
constexpr u64 TimestampSlack = 256;
constexpr int SigningRounds = 4;

ByteVector ReadFile(const std::string& path, u64 limit = ~0ull) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SignError("cannot read '" + path + "'");
    ByteVector bytes;
    char c;
    while (bytes.size() < limit && in.get(c)) bytes.push_back(static_cast<u8>(c));
    return bytes;
}

void WriteFile(const std::string& path, const ByteVector& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw SignError("cannot write '" + path + "'");
}

// A folder of our own beside the output, removed with everything in it when done.
struct WorkFolder {
    fs::path path;
    explicit WorkFolder(const std::string& output) {
        fs::path folder = fs::absolute(output).parent_path();
        path = folder / (".packwright-sign-" + std::to_string(::getpid()));
        std::error_code ec;
        fs::remove_all(path, ec);
        if (!fs::create_directories(path, ec)) throw SignError("cannot create '" + path.string() + "': " + ec.message());
    }
    ~WorkFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

ExaminedPackage ReadSoundInstaller(const SignRequest& r) {
    ExaminedPackage p;
    try {
        ExaminePackageInto(r.installer, p, {}, {JobsOrAllCores(r.jobs), true});
    } catch (const ExamineError& e) {
        throw SignError(e.what());
    }
    if (!p.problems.empty())
        throw SignError("'" + r.installer + "' is damaged, so it is not signed: " + p.problems.front().message +
                        " (packwright verify lists every problem)");
    if (p.runMode != RunMode::Install) throw SignError("'" + r.installer + "' is a companion program, not an installer");
    return p;
}

// The size of the certificate table a signature with this key makes, measured on the stub.
u64 MeasureTable(const SigningKey& key, const ByteVector& stub, const fs::path& folder) {
    std::string probe = (folder / "probe.exe").string(), signedProbe = (folder / "probe-signed.exe").string();
    WriteFile(probe, stub);
    SignPeFile(key, probe, signedProbe);
    u64 aligned = (stub.size() + TableAlignment - 1) / TableAlignment * TableAlignment;
    return fs::file_size(signedProbe) - aligned;
}

// Streams the Package from the installer's volumes into a new set of volumes.
void LayOut(const ExaminedPackage& p, const ByteVector& stub, const std::string& output, VolumeLayout layout) {
    try {
        FileVolumeStore store(output);
        VolumeSink sink(store, stub, layout);
        std::vector<u8> buffer(1 << 20);
        for (std::size_t v = 0; v < p.volumes.size(); ++v) {
            std::ifstream in(p.volumes[v], std::ios::binary);
            in.seekg(static_cast<std::streamoff>(v == 0 ? p.packageOffset + 4 : 4));
            u64 left = p.volumeSizes[v] - (v == 0 ? p.packageOffset + 4 : 4);
            while (left > 0) {
                std::size_t want = static_cast<std::size_t>(std::min<u64>(left, buffer.size()));
                if (!in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(want)))
                    throw SignError("cannot read '" + p.volumes[v] + "'");
                sink.Write(buffer.data(), want);
                left -= want;
            }
        }
        sink.Finish();
        store.Commit();
    } catch (const WriterError& e) {
        throw SignError(e.what());
    }
}

// Signs volume 0 until its ExpectedSize is the size of the signed file: the field lies
// inside the signed bytes, so it is written first and signing must then confirm it.
u64 SignFirstVolume(const SigningKey& key, const std::string& unsignedPath, const std::string& signedPath,
                    u32 packageOffset) {
    ByteVector bytes = ReadFile(unsignedPath);
    bool recorded = LoadU32(bytes.data() + packageOffset) != 0;
    for (int round = 0; round < SigningRounds; ++round) {
        SignPeFile(key, unsignedPath, signedPath);
        u64 size = fs::file_size(signedPath);
        if (size > 0xFFFFFFFFull) throw SignError("the signed installer would be larger than 4 GiB");
        if (!recorded || LoadU32(bytes.data() + packageOffset) == size) return size;
        StoreU32(bytes.data() + packageOffset, static_cast<u32>(size));
        WriteFile(unsignedPath, bytes);
    }
    throw SignError("the signature's size changed with every signing; ExpectedSize cannot be made to match");
}
}  // namespace

SignedInstaller SignInstaller(const SignRequest& r) {
    if (std::string problem = CheckSigningKey(r.key); !problem.empty()) throw SignError(problem);
    ExaminedPackage p = ReadSoundInstaller(r);
    ByteVector stub = ReadFile(p.path, p.packageOffset);
    u32 entry = SecurityEntryOffset(stub.data(), static_cast<u32>(std::min<u64>(stub.size(), PeHeadersLength)));
    if (!entry) throw SignError("the stub of '" + r.installer + "' is not a 32-bit Windows program that can be signed");
    if (LoadU32(stub.data() + entry) != 0)
        throw SignError("'" + r.installer + "' is signed already; build it again to sign it anew");

    u64 volumeSize = r.volumeSize ? *r.volumeSize : p.volumes.size() > 1 ? p.volumeSizes[0] : 0;
    WorkFolder work(r.output);
    std::string name = fs::path(r.output).filename().string();
    std::string unsignedPath = (work.path / name).string();
    VolumeLayout layout{volumeSize, true, 0};
    SignedInstaller result;
    if (volumeSize != 0) {
        u64 table = MeasureTable(r.key, stub, work.path) + (r.key.timestampUrl.empty() ? 0 : TimestampSlack);
        u64 room = volumeSize > table ? volumeSize - table : 0;
        layout.firstVolumeLimit = room / TableAlignment * TableAlignment;
        if (layout.firstVolumeLimit <= stub.size() + 4)
            throw SignError("a volume size of " + std::to_string(volumeSize) + " bytes leaves no room in the first volume "
                            "for the package beside the stub and its " + std::to_string(table) + "-byte signature");
    }
    LayOut(p, stub, unsignedPath, layout);
    std::string signedPath = unsignedPath + ".signed";
    u64 signedSize = SignFirstVolume(r.key, unsignedPath, signedPath, p.packageOffset);
    if (volumeSize != 0 && signedSize > volumeSize)
        throw SignError("the signed first volume is " + std::to_string(signedSize) + " bytes, more than the volume size " +
                        std::to_string(volumeSize) + "; the timestamp server's reply was longer than measured");
    result.signatureBytes = signedSize - fs::file_size(unsignedPath);

    // Everything is ready: only now do the output's names change.
    std::vector<std::string> staged = {signedPath};
    for (u32 k = 1; fs::exists(VolumeFileName(unsignedPath, k)); ++k) staged.push_back(VolumeFileName(unsignedPath, k));
    for (u32 k = 0; k < staged.size(); ++k) {
        std::string final = k == 0 ? r.output : VolumeFileName(r.output, k);
        std::error_code ec;
        fs::rename(staged[k], final, ec);
        if (ec) throw SignError("cannot rename '" + staged[k] + "' to '" + final + "': " + ec.message());
        result.volumes.push_back(final);
        result.sizes.push_back(fs::file_size(final));
    }
    for (u32 k = static_cast<u32>(staged.size());; ++k)
        if (::unlink(VolumeFileName(r.output, k).c_str()) != 0) break;
    return result;
}
