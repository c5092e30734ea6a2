#include "packwright/sign/CodeSigner.h"

#include <unistd.h>

#include "packwright/sign/ExternalTool.h"

std::string MissingSignerMessage() {
    return "signing needs osslsigncode, which is not installed (on Debian: apt-get install osslsigncode)";
}

std::string CheckSigningKey(const SigningKey& key) {
    bool pem = !key.certificate.empty() || !key.key.empty();
    if (pem && !key.pkcs12.empty()) return "give either --sign-cert with --sign-key, or --sign-pkcs12, not both";
    if (pem && (key.certificate.empty() || key.key.empty())) return "--sign-cert and --sign-key go together";
    if (!pem && key.pkcs12.empty()) return "signing needs --sign-cert with --sign-key, or --sign-pkcs12";
    for (const std::string* path : {&key.certificate, &key.key, &key.pkcs12, &key.passwordFile})
        if (!path->empty() && ::access(path->c_str(), R_OK) != 0) return "cannot read '" + *path + "'";
    return "";
}

void SignPeFile(const SigningKey& key, const std::string& in, const std::string& out) {
    std::vector<std::string> argv = {"osslsigncode", "sign", "-h", "sha256"};
    if (!key.pkcs12.empty()) argv.insert(argv.end(), {"-pkcs12", key.pkcs12});
    else argv.insert(argv.end(), {"-certs", key.certificate, "-key", key.key});
    if (!key.passwordFile.empty()) argv.insert(argv.end(), {"-readpass", key.passwordFile});
    if (!key.timestampUrl.empty()) argv.insert(argv.end(), {"-ts", key.timestampUrl});
    if (key.signingTime) argv.insert(argv.end(), {"-time", std::to_string(*key.signingTime)});
    argv.insert(argv.end(), {"-in", in, "-out", out});
    ::unlink(out.c_str());  // osslsigncode will not replace a file
    ToolRun run = RunTool(argv);
    if (!run.found) throw SignError(MissingSignerMessage());
    if (run.status != 0) {
        std::string output = run.output;
        while (!output.empty() && output.back() == '\n') output.pop_back();
        throw SignError("osslsigncode could not sign '" + in + "':\n" + output);
    }
}
