// Authenticode signing of one PE file with osslsigncode: the key and certificate, an
// optional timestamp server, and a fixed signing time so that signing is reproducible.
#pragma once
#include <optional>
#include <stdexcept>
#include <string>

struct SigningKey {
    std::string certificate;   // PEM certificate (chain), with `key`
    std::string key;           // PEM private key
    std::string pkcs12;        // or a PKCS#12 file holding both
    std::string passwordFile;  // the password of the key or the PKCS#12 file, if it has one
    std::string timestampUrl;  // empty: no timestamp (and the bytes depend on nothing else)
    // Seconds since 1970 recorded as the signing time; empty: now.
    std::optional<long long> signingTime;
};

struct SignError : std::runtime_error {
    explicit SignError(const std::string& message) : std::runtime_error(message) {}
};

// What is wrong with the choice of key files ("" when nothing): exactly one of
// certificate+key and pkcs12, files that can be read.
std::string CheckSigningKey(const SigningKey& key);

// Signs `in` into `out` (SHA-256). Throws SignError when osslsigncode is missing or fails.
void SignPeFile(const SigningKey& key, const std::string& in, const std::string& out);

// The message for a missing osslsigncode, naming its Debian package.
std::string MissingSignerMessage();
