// `packwright sign` (and `build --sign`): an installer that was built, signed. Only volume 0
// is signed: the others are data files Windows never runs. Its ExpectedSize records the
// signed size, signature included, so the installer's size check still holds. Split
// installers are laid out again so that volume 0 keeps room for the signature within the
// volume size and ends on the 8-byte boundary where the certificate table begins (no
// padding lands in the middle of the Package stream).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "packwright/sign/CodeSigner.h"
#include "state/Types.h"

struct SignRequest {
    std::string installer;  // volume 0 of a sound, unsigned installer
    std::string output;     // where the signed one goes (may be the same path)
    SigningKey key;
    // Largest size of a volume file; empty: that of volume 0 when the installer is split,
    // otherwise one volume. 0: one volume.
    std::optional<u64> volumeSize;
    unsigned jobs = 0;  // for reading the installer first; 0: all cores
};

struct SignedInstaller {
    std::vector<std::string> volumes;  // volume 0 first
    std::vector<u64> sizes;
    u64 signatureBytes = 0;  // the certificate table
};

// Throws SignError. Nothing is written under the output's names unless it all succeeds.
SignedInstaller SignInstaller(const SignRequest& request);
