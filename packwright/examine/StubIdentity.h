// Whether an installer's Stub is byte for byte the one this packwright ships (the default
// stub beside the packwright binary), apart from what the builder fills in for each installer:
// its PackageOffset and its version resource's texts and numbers. No checksum covers the Stub:
// this comparison is the only way to notice changed code in it.
#pragma once
#include <optional>
#include <string>

#include "state/Types.h"

struct StubIdentity {
    enum class Verdict { Shipped, Differs, NoReference } verdict = Verdict::NoReference;
    u64 size = 0;                           // the installer's Stub: its PackageOffset
    std::string referencePath;              // the shipped stub compared with
    std::optional<u64> firstDifference;     // Differs: the first offset that differs
};

StubIdentity IdentifyStub(const std::string& installerPath, u32 packageOffset, const std::string& shippedStubPath);
