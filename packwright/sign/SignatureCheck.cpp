#include "packwright/sign/SignatureCheck.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "packwright/sign/CodeSigner.h"
#include "packwright/sign/ExternalTool.h"

namespace fs = std::filesystem;

namespace {
const char SystemCertificates[] = "/etc/ssl/certs/ca-certificates.crt";

std::string Trim(std::string text) {
    std::size_t start = text.find_first_not_of(" \t\r");
    std::size_t end = text.find_last_not_of(" \t\r");
    return start == std::string::npos ? "" : text.substr(start, end - start + 1);
}

// The text after `label` on the first line that has it ("" when none does).
std::string ValueAfter(const std::string& output, const std::string& label) {
    std::size_t at = output.find(label);
    if (at == std::string::npos) return "";
    at += label.size();
    return Trim(output.substr(at, output.find('\n', at) - at));
}

std::string FirstWord(const std::string& text) { return text.substr(0, text.find_first_of(" \t")); }

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/packwright-verify-XXXXXX";
        if (::mkdtemp(name)) path = name;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

// The signer's certificate: the one of those the signature carries that issued none of the
// others. `listing` is what `openssl pkcs7 -print_certs -noout` prints.
std::string SignerSubject(const std::string& listing) {
    std::vector<std::pair<std::string, std::string>> certificates;  // subject, issuer
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("subject=", 0) == 0) certificates.push_back({Trim(line.substr(8)), ""});
        else if (line.rfind("issuer=", 0) == 0 && !certificates.empty()) certificates.back().second = Trim(line.substr(7));
    }
    for (const auto& [subject, issuer] : certificates) {
        bool issuedAnother = false;
        for (const auto& other : certificates)
            if (&other.first != &subject && other.second == subject && other.first != subject) issuedAnother = true;
        if (!issuedAnother) return subject;
    }
    return "";
}

// The certificates the signature carries, followed by the system's: the trust anchors of
// the check. Also names the signer and tells whether a timestamp is there, from the
// signature itself (a check that fails early says neither).
bool ReadSignature(const std::string& installer, const TempFolder& temp, std::string& anchors, SignatureFinding& f) {
    std::string& problem = f.problem;
    std::string signature = temp.path + "/signature.pem", carried = temp.path + "/carried.pem";
    ToolRun run = RunTool({"osslsigncode", "extract-signature", "-pem", "-in", installer, "-out", signature});
    if (!run.found) {
        problem = MissingSignerMessage();
        return false;
    }
    if (run.status != 0) {
        problem = "its certificate table holds no signature that can be read";
        return false;
    }
    run = RunTool({"openssl", "pkcs7", "-print_certs", "-in", signature, "-out", carried});
    if (run.status != 0) {
        problem = run.found ? "the signature's certificates cannot be read" : "checking needs the openssl program";
        return false;
    }
    f.subject = SignerSubject(RunTool({"openssl", "pkcs7", "-print_certs", "-noout", "-in", signature}).output);
    std::string structure = RunTool({"openssl", "asn1parse", "-in", signature}).output;
    if (structure.find(":1.3.6.1.4.1.311.3.3.1") != std::string::npos ||
        structure.find(":countersignature") != std::string::npos)
        f.timestamp = "present";
    anchors = temp.path + "/anchors.pem";
    std::ofstream out(anchors, std::ios::binary);
    out << std::ifstream(carried, std::ios::binary).rdbuf();
    std::ifstream system(SystemCertificates, std::ios::binary);
    if (system) out << system.rdbuf();
    return static_cast<bool>(out.flush());
}
}  // namespace

SignatureFinding CheckSignature(const std::string& installer) {
    SignatureFinding f;
    f.checked = true;
    TempFolder temp;
    if (temp.path.empty()) {
        f.problem = "cannot create a temporary folder to check it";
        return f;
    }
    std::string anchors;
    if (!ReadSignature(installer, temp, anchors, f)) return f;
    ToolRun run = RunTool({"osslsigncode", "verify", "-CAfile", anchors, "-TSA-CAfile", anchors, "-in", installer});
    const std::string& out = run.output;
    f.digest = ValueAfter(out, "Message digest algorithm  :");
    if (f.timestamp) {
        // osslsigncode 2.5 and later versions word it differently.
        std::string time = ValueAfter(out, "Timestamp time:");
        if (time.empty()) time = ValueAfter(out, "The signature is timestamped:");
        if (!time.empty()) f.timestamp = time;
    }
    std::string recorded = FirstWord(ValueAfter(out, "Current message digest    :"));
    std::string calculated = FirstWord(ValueAfter(out, "Calculated message digest :"));
    if (!recorded.empty() && recorded != calculated) {
        f.problem = "the signed bytes have changed since signing: the signature records the digest " + recorded +
                    ", the file's is " + calculated;
        return f;
    }
    if (run.status == 0 && out.find("Signature verification: ok") != std::string::npos) {
        f.intact = true;
        return f;
    }
    std::string error = ValueAfter(out, "Error:");
    f.problem = "the signature does not verify" + (error.empty() ? std::string() : ": " + error);
    return f;
}
