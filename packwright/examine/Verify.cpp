#include "packwright/examine/Verify.h"

#include <fmt/format.h>

#include <fstream>
#include <new>

#include "package/PeSecurity.h"

#include "packwright/examine/ExamineError.h"
#include "packwright/examine/PackageExaminer.h"

namespace {
// Bytes from start to end, across volumes (each further volume's stream starts after its
// 4-byte size field).
u64 SpanBytes(const Span& s, const ExaminedPackage& p) {
    if (s.start.volume == s.end.volume) return s.end.offset - s.start.offset;
    auto size = [&](u32 v) { return v < p.volumeSizes.size() ? p.volumeSizes[v] : 0; };
    u64 bytes = size(s.start.volume) - std::min(size(s.start.volume), s.start.offset) + (s.end.offset - 4);
    for (u32 v = s.start.volume + 1; v < s.end.volume; ++v) bytes += size(v) - 4;
    return bytes;
}

// The certificate table the security directory of volume 0 points to, if inside the file.
std::optional<SignatureFinding> FindSignature(const std::string& path, u64 fileSize) {
    u8 headers[PeHeadersLength] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(headers), sizeof headers);
    u32 entry = SecurityEntryOffset(headers, static_cast<u32>(in.gcount()));
    if (!entry || LoadU32(headers + entry) == 0 || LoadU32(headers + entry) >= fileSize) return std::nullopt;
    SignatureFinding f;
    f.tableOffset = LoadU32(headers + entry);
    f.tableBytes = LoadU32(headers + entry + 4);
    return f;
}

bool IsFrame(const Span& s) { return s.what == "the Stub" || s.what.rfind("the size field of volume", 0) == 0; }
}  // namespace

Coverage MeasureCoverage(const ExaminedPackage& p) {
    Coverage c;
    std::size_t lastChecksummed = p.spans.size();
    for (std::size_t i = 0; i < p.spans.size(); ++i)
        if (p.spans[i].checksummed) lastChecksummed = i;
    for (std::size_t i = 0; i < p.spans.size(); ++i) {
        const Span& s = p.spans[i];
        if (IsFrame(s)) continue;
        if (s.checksummed) c.checksummedBytes += SpanBytes(s, p);
        else if (lastChecksummed < p.spans.size() && i > lastChecksummed) {
            if (!c.afterFiles) c.afterFiles = Span{p.spans[lastChecksummed].end, s.end, "after the files"};
            c.afterFiles->end = s.end;
        } else {
            c.recordBytes += SpanBytes(s, p);
        }
    }
    if (c.afterFiles) c.afterFilesBytes = SpanBytes(*c.afterFiles, p);
    return c;
}

std::string PartAt(const ExaminedPackage& p, StreamPosition at) {
    for (const Span& s : p.spans)
        if (s.start <= at && at < s.end) return s.what;
    return "";
}

std::vector<std::string> VerifyReport::Warnings() const {
    std::vector<std::string> warnings;
    if (error || !package.headerRead) return warnings;
    if (stub.verdict == StubIdentity::Verdict::Differs)
        warnings.push_back(fmt::format("the Stub is not the one shipped with packwright {} ('{}'): they differ at "
                                       "offset {}; it was built with another stub, or its code was changed",
                                       packwrightVersion, stub.referencePath, *stub.firstDifference));
    else if (stub.verdict == StubIdentity::Verdict::NoReference)
        warnings.push_back(fmt::format("cannot tell whether the Stub is the one shipped with packwright {}: '{}' "
                                       "cannot be read",
                                       packwrightVersion, stub.referencePath));
    if (comparison && comparison->extraVolume)
        warnings.push_back(fmt::format("'{}' lies beside the installer, but the manifest builds {} volume(s); the "
                                       "installer never reads it",
                                       *comparison->extraVolume, comparison->volumes));
    return warnings;
}

VerifyReport VerifyInstaller(const std::string& path, const VerifyOptions& options) {
    VerifyReport r;
    r.installer = path;
    r.packwrightVersion = options.packwrightVersion;
    try {
        ExamineCallbacks callbacks;
        callbacks.progress = options.progress;
        ExaminePackageInto(path, r.package, callbacks, {options.jobs, true});
        r.coverage = MeasureCoverage(r.package);
        if (!r.package.volumeSizes.empty())
            if ((r.signature = FindSignature(r.package.path, r.package.volumeSizes[0]))) {
                SignatureFinding where = *r.signature;
                if (options.checkSignature) r.signature = options.checkSignature(r.package.path);
                r.signature->tableOffset = where.tableOffset;
                r.signature->tableBytes = where.tableBytes;
            }
        if (!options.shippedStubPath.empty())
            r.stub = IdentifyStub(r.package.path, r.package.packageOffset, options.shippedStubPath);
        else
            r.stub.size = r.package.packageOffset;
    } catch (const ExamineError& e) {
        r.error = e.what();
    } catch (const std::bad_alloc&) {
        r.error = "out of memory";
    }
    return r;
}

bool VerifyPackage(const std::string& path, std::string& report, unsigned jobs) {
    VerifyOptions options;
    options.jobs = jobs;
    VerifyReport r = VerifyInstaller(path, options);
    report = VerifyText(r);
    return r.ExitCode() == 0;
}
