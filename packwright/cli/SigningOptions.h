// The signing options `build` and `sign` share: the key files, the timestamp server, and
// SOURCE_DATE_EPOCH as the signing time.
#pragma once
#include <CLI/CLI.hpp>

#include "packwright/sign/CodeSigner.h"

struct SigningInputs {
    SigningKey key;
    bool Requested() const {
        return !key.certificate.empty() || !key.key.empty() || !key.pkcs12.empty() || !key.passwordFile.empty() ||
               !key.timestampUrl.empty();
    }
};

void AddSigningOptions(CLI::App* command, SigningInputs& inputs);
// Checks the options and sets the signing time; on a usage mistake prints it and returns
// false.
bool ApplySigningInputs(SigningInputs& inputs);
