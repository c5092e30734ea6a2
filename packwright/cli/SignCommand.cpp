// packwright sign INSTALLER: signs an installer that was built without signing, as
// `build --sign-...` would have.
#include <fmt/format.h>

#include <memory>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/cli/BuildInputs.h"
#include "packwright/cli/Commands.h"
#include "packwright/cli/Progress.h"
#include "packwright/cli/SigningOptions.h"
#include "packwright/sign/SignInstaller.h"

namespace {
struct SignArguments {
    std::string installer;
    std::string output;
    std::string volumeSize;
    SigningInputs signing;
    unsigned jobs = 0;
    bool quiet = false;
};

int RunSign(SignArguments& a) {
    if (!ApplySigningInputs(a.signing)) return 2;
    SignRequest request;
    request.installer = a.installer;
    request.output = a.output.empty() ? a.installer : a.output;
    request.key = a.signing.key;
    request.jobs = a.jobs;
    if (!a.volumeSize.empty()) {
        BuildInputs inputs;
        inputs.volumeSize = a.volumeSize;
        BuildOptions options;
        if (!ApplyBuildInputs(inputs, options)) return 2;
        request.volumeSize = options.volumeSize;
    }
    try {
        SignedInstaller result = SignInstaller(request);
        if (!a.quiet)
            for (std::size_t i = 0; i < result.volumes.size(); ++i)
                fmt::print("wrote {} ({}){}\n", result.volumes[i], HumanBytes(result.sizes[i]),
                           i == 0 ? fmt::format(", signed: {} bytes added", result.signatureBytes) : "");
        return 0;
    } catch (const SignError& e) {
        fmt::print(stderr, "packwright: {}\npackwright: nothing was written\n", e.what());
        return 1;
    }
}
}  // namespace

void AddSignCommand(CLI::App& app, int* exitCode) {
    auto args = std::make_shared<SignArguments>();
    auto* command = app.add_subcommand("sign", "sign a built installer (its first volume) with Authenticode");
    command->add_option("installer", args->installer, "the installer, built without signing")->required();
    command->add_option("-o,--output", args->output, "write the signed installer here (default: in place)");
    AddSigningOptions(command, args->signing);
    command->add_option("--volume-size", args->volumeSize,
                        "the largest size of a volume file, signature included (default: that of the first "
                        "volume of a split installer)");
    AddJobsOption(command, args->jobs, "blocks checked");
    command->add_flag("-q,--quiet", args->quiet, "print errors only");
    command->callback([args, exitCode] { *exitCode = RunSign(*args); });
}
