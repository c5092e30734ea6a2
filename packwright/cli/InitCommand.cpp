// packwright init [FOLDER] [-o MANIFEST]: a commented first manifest for a folder of files.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <memory>

#include "packwright/cli/Commands.h"
#include "packwright/init/DraftManifest.h"

namespace {
struct InitArguments {
    std::string folder = ".";
    std::string output = "setup.toml";
};

// O_EXCL: an existing manifest is never replaced, not even one made between the check and
// the write.
bool WriteNew(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) fmt::print(stderr, "packwright init: '{}' exists; it is left as it is\n", path);
        else fmt::print(stderr, "packwright init: cannot create '{}': {}\n", path, std::strerror(errno));
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fmt::print(stderr, "packwright init: cannot write '{}': {}\n", path, std::strerror(errno));
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        fmt::print(stderr, "packwright init: cannot write '{}': {}\n", path, std::strerror(errno));
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

int RunInit(const InitArguments& a) {
    ManifestDraft draft;
    try {
        draft = DraftManifest(a.folder, a.output);
    } catch (const InitError& e) {
        fmt::print(stderr, "packwright init: {}\n", e.what());
        return 1;
    }
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(a.output).parent_path();
    if (!folder.empty() && !std::filesystem::create_directories(folder, ec) && ec) {
        fmt::print(stderr, "packwright init: cannot create the folder '{}': {}\n", folder.string(), ec.message());
        return 1;
    }
    if (!WriteNew(a.output, draft.text)) return 1;
    auto count = [](std::size_t n, const char* one, const char* many) { return fmt::format("{} {}", n, n == 1 ? one : many); };
    fmt::print("wrote {}: {}, {}", a.output, count(draft.entries.size(), "top-level entry", "top-level entries"),
               count(draft.programs.size(), "shortcut", "shortcuts"));
    if (!draft.version.empty()) fmt::print(", version {} from {}", draft.version, draft.mainProgram);
    fmt::print("\nbuild it with: packwright build {} -o setup.exe\n", a.output);
    return 0;
}
}  // namespace

void AddInitCommand(CLI::App& app, int* exitCode) {
    auto args = std::make_shared<InitArguments>();
    auto* command = app.add_subcommand("init", "write a commented manifest for a folder of files (never replaces one)");
    command->add_option("folder", args->folder, "the product's files (default: the current folder)");
    command->add_option("-o,--output", args->output, "the manifest to write (default: setup.toml)")->type_name("PATH");
    command->callback([args, exitCode] { *exitCode = RunInit(*args); });
}
