// `packwright verify` without the process around it, so tests and fuzz targets can call it.
// It says what the format lets it check (every block's checksums, the structure of every
// record and line, the volume sizes) and what it cannot: no checksum covers the Stub, the
// file records' names and fields, or the lines after the files. Comparing with what the
// manifest builds (VolumeComparison) covers every byte.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "packwright/examine/ExaminedPackage.h"
#include "packwright/examine/StubIdentity.h"
#include "packwright/writer/VolumeComparison.h"
#include "state/Types.h"

// An installer's Authenticode signature over volume 0, as checked.
struct SignatureFinding {
    u64 tableOffset = 0;  // where the certificate table begins in volume 0
    u64 tableBytes = 0;
    bool checked = false;
    bool intact = false;  // the signed bytes are unchanged and the signature over them is sound
    std::string subject;  // the signer's certificate ("/CN=.../O=...")
    std::string digest;   // "SHA256"
    std::optional<std::string> timestamp;  // none: not timestamped
    std::string problem;  // why it is not intact
};

struct VerifyOptions {
    unsigned jobs = 1;
    // Checks a signed installer's signature; empty: a signature is reported as not checked.
    std::function<SignatureFinding(const std::string& installerPath)> checkSignature;
    std::string shippedStubPath;     // the stub this packwright ships; empty: not compared
    std::string packwrightVersion;   // named when the Stub is recognised
    std::function<void(u64 done, u64 total)> progress;
};

// The bytes no checksum covers, as far as the installer was read.
struct Coverage {
    u64 checksummedBytes = 0;  // DataBlock records
    u64 recordBytes = 0;       // file names, record fields, end markers
    u64 afterFilesBytes = 0;   // the shortcut, registry and run-after sections (and anything after)
    std::optional<Span> afterFiles;
};

struct VerifyReport {
    std::string installer;  // as given
    std::optional<std::string> error;  // there was no package to read at all
    ExaminedPackage package;
    StubIdentity stub;
    Coverage coverage;
    std::optional<std::string> manifestPath;
    std::optional<VolumeComparison> comparison;  // with what the manifest builds
    std::optional<SignatureFinding> signature;   // volume 0 is signed
    std::string packwrightVersion;

    bool Damaged() const { return error || !package.problems.empty(); }
    bool DiffersFromManifest() const { return comparison && !comparison->identical; }
    bool SignatureBroken() const { return signature && signature->checked && !signature->intact; }
    // The signature covers volume 0 whole: with a single volume, every byte of the installer.
    bool SignatureCoversAll() const { return signature && signature->intact && package.volumes.size() == 1; }
    // 0: every check passed; 1: damaged, incomplete or unreadable; 4: its blocks and records
    // are sound but its signature is broken; 3: sound but not what the manifest builds.
    int ExitCode() const { return Damaged() ? 1 : SignatureBroken() ? 4 : DiffersFromManifest() ? 3 : 0; }
    std::vector<std::string> Warnings() const;
};

// Never throws for bad input.
VerifyReport VerifyInstaller(const std::string& path, const VerifyOptions& options);
Coverage MeasureCoverage(const ExaminedPackage& package);
// The part of the installer a byte belongs to ("registry line 4"), as far as it was read.
std::string PartAt(const ExaminedPackage& package, StreamPosition at);

// The report for people: what passed, what is not covered, what is wrong.
std::string VerifyText(const VerifyReport& report);
std::string VerifyJson(const VerifyReport& report);

// The text report and whether every check passed (fuzz targets and tests).
bool VerifyPackage(const std::string& path, std::string& report, unsigned jobs = 1);
