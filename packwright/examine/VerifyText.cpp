#include <fmt/format.h>

#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/Verify.h"
#include "packwright/text/TextRendering.h"

namespace {
std::string Place(const ExaminedPackage& p, StreamPosition at) {
    return fmt::format("volume {} '{}', offset {}", at.volume, p.VolumePath(at.volume), at.offset);
}

// "volume 0 'setup.exe', offsets 100 to 200", or the two places when they lie in different volumes.
std::string Range(const ExaminedPackage& p, const Span& s) {
    if (s.start.volume == s.end.volume) return fmt::format("volume {} '{}', offsets {} to {}", s.start.volume, p.VolumePath(s.start.volume), s.start.offset, s.end.offset);
    return "from " + Place(p, s.start) + " to " + Place(p, s.end);
}

std::string ByteText(const std::optional<u8>& b) { return b ? fmt::format("0x{:02X}", *b) : "nothing"; }

std::string StubLine(const VerifyReport& r) {
    switch (r.stub.verdict) {
        case StubIdentity::Verdict::Shipped: return "the one shipped with packwright " + r.packwrightVersion;
        case StubIdentity::Verdict::Differs: return "NOT the one shipped with packwright " + r.packwrightVersion;
        case StubIdentity::Verdict::NoReference: break;
    }
    return "not compared with a shipped stub";
}

std::string SignatureLine(const SignatureFinding& s) {
    return fmt::format("signed by {}, digest {}, {}", s.subject.empty() ? "an unnamed signer" : s.subject,
                       s.digest.empty() ? "unknown" : s.digest, s.timestamp ? "timestamped " + *s.timestamp : "no timestamp");
}

// Volume 0's signature covers the Stub and every Package byte in volume 0.
bool SignatureCovers(const VerifyReport& r, StreamPosition end) {
    return r.signature && r.signature->intact && end.volume == 0;
}

void NotCovered(std::string& out, const VerifyReport& r) {
    const ExaminedPackage& p = r.package;
    const Coverage& c = r.coverage;
    if (r.SignatureCoversAll()) return;
    out += r.signature && r.signature->intact ? "Not covered by a checksum or the signature:\n" : "Not covered by a checksum:\n";
    if (!r.signature || !r.signature->intact) out += fmt::format("  the Stub, {} bytes: {}\n", r.stub.size, StubLine(r));
    if (p.runMode == RunMode::Install) {
        out += fmt::format("  file names and record fields: {} bytes{}\n", c.recordBytes,
                           SignatureCovers(r, {}) ? " (those in volume 0 are covered by the signature)" : "");
        if (c.afterFiles && !SignatureCovers(r, c.afterFiles->end))
            out += fmt::format("  the {} bytes after the files (shortcut, registry and run-after lines): {}\n",
                               c.afterFilesBytes, Range(p, *c.afterFiles));
    } else {
        out += fmt::format("  the companion header and the install log: {} bytes\n", c.recordBytes + c.afterFilesBytes);
    }
    if (p.runMode == RunMode::Install)
        out += "  To check those bytes too, compare with what the manifest builds: packwright verify --manifest MANIFEST\n";
    else
        out += "  No manifest builds a companion program: the installation wrote it on the user's machine\n";
}

std::string Difference(const VerifyReport& r) {
    const VolumeComparison::Difference& d = *r.comparison->difference;
    std::string where = fmt::format("volume {} '{}'", d.volume, d.path);
    if (d.what == "is missing") return where + " is missing, but the manifest builds it";
    std::string part = PartAt(r.package, {d.volume, d.offset});
    std::string in = part.empty() ? "" : " (" + part + ")";
    if (d.what == "is longer")
        return fmt::format("{} is longer than what the manifest builds: it goes on at offset {}{}", where, d.offset, in);
    if (d.what == "is shorter")
        return fmt::format("{} is shorter than what the manifest builds: it ends at offset {}{}", where, d.offset, in);
    return fmt::format("{}, offset {}{}: {} in the installer, {} in what the manifest builds", where, d.offset, in,
                       ByteText(d.installer), ByteText(d.rebuilt));
}


std::string SignatureProblem(const VerifyReport& r) {
    const SignatureFinding& s = *r.signature;
    return fmt::format("the signature is broken ({}): {}", SignatureLine(s), s.problem);
}
}  // namespace

std::string VerifyText(const VerifyReport& r) {
    if (r.error) return r.installer + ": " + *r.error + "\n";
    const ExaminedPackage& p = r.package;
    std::string out;
    std::size_t files = p.files.size();
    std::string what = fmt::format("{}: {}, {}, {}", RunModeName(p.runMode), CountOf(files, "file"),
                                   CountOf(p.blocksRead, "block"), CountOf(p.volumes.size(), "volume"));
    if (r.Damaged()) {
        out += fmt::format("{}: {} problem{} found{} ({})\n", p.path, p.problems.size(), p.problems.size() == 1 ? "" : "s",
                           p.complete ? "" : "; reading stopped early", what);
        for (const Problem& problem : p.problems) out += "  " + problem.message + "\n";
        if (r.SignatureBroken()) out += "  " + SignatureProblem(r) + "\n";
        if (r.DiffersFromManifest()) out += "  it also differs from what the manifest builds: " + Difference(r) + "\n";
        return out;
    }
    if (r.SignatureBroken()) {
        out += fmt::format("{}: {}; its blocks and records are sound ({})\n", p.path, SignatureProblem(r), what);
        return out;
    }
    if (r.DiffersFromManifest()) {
        out += fmt::format("{}: differs from what '{}' builds: {}\n", p.path, *r.manifestPath, Difference(r));
        return out;
    }
    out += fmt::format("{}: every check passed ({})\n", p.path, what);
    out += "Checked:\n";
    out += fmt::format("  the checksums of all {} blocks (the header's and the files')\n", p.blocksRead);
    out += "  the structure of every file record, shortcut line and registry line\n";
    out += "  the size of every volume\n";
    if (r.signature && r.signature->intact)
        out += fmt::format("  the signature over volume 0 ({}): it covers the Stub and every byte of volume 0{}\n",
                           SignatureLine(*r.signature), r.SignatureCoversAll() ? ", the whole installer" : "");
    else if (r.signature)
        out += "  (the signature was not checked)\n";
    if (r.comparison || r.SignatureCoversAll()) {
        if (r.comparison)
            out += fmt::format("  every byte against what '{}' builds: identical ({} bytes in {} volume{})\n", *r.manifestPath,
                           r.comparison->bytesCompared, r.comparison->volumes, r.comparison->volumes == 1 ? "" : "s");
        out += fmt::format("The Stub is {}.\n", StubLine(r));
    } else {
        if (r.signature && r.signature->intact) out += fmt::format("The Stub is {}.\n", StubLine(r));
        NotCovered(out, r);
    }
    return out;
}
