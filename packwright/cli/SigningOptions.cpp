#include "packwright/cli/SigningOptions.h"

#include <fmt/format.h>

#include <cstdlib>
#include <ctime>

void AddSigningOptions(CLI::App* command, SigningInputs& inputs) {
    SigningKey& k = inputs.key;
    command->add_option("--sign-cert", k.certificate, "sign with this certificate (PEM; with --sign-key)");
    command->add_option("--sign-key", k.key, "the certificate's private key (PEM)");
    command->add_option("--sign-pkcs12", k.pkcs12, "sign with the certificate and key in this PKCS#12 file");
    command->add_option("--sign-password-file", k.passwordFile, "the password of the key or PKCS#12 file, read from this file");
    command->add_option("--timestamp-url", k.timestampUrl,
                        "have the signature timestamped by this RFC 3161 server (the bytes then depend on its reply)");
}

bool ApplySigningInputs(SigningInputs& inputs) {
    if (std::string problem = CheckSigningKey(inputs.key); !problem.empty()) {
        fmt::print(stderr, "packwright: {}\n", problem);
        return false;
    }
    // The signing time is recorded in the signature: SOURCE_DATE_EPOCH makes it, and with it
    // the signed bytes, the same on every run.
    long long seconds = static_cast<long long>(std::time(nullptr));
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        seconds = std::strtoll(epoch, &end, 10);
        if (*end || seconds < 0) {
            fmt::print(stderr, "packwright: SOURCE_DATE_EPOCH '{}' is not a number of seconds\n", epoch);
            return false;
        }
    }
    inputs.key.signingTime = seconds;
    return true;
}
