#include "packwright/builder/ShippedFiles.h"

#include <filesystem>

namespace fs = std::filesystem;

std::vector<std::string> ShippedFileCandidates(const std::string& name) {
    std::error_code ec;
    // /proc/self/exe is the binary with every symbolic link resolved, so a link to it in
    // another folder of the PATH still finds the tree the binary belongs to.
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {name};
    fs::path bin = self.parent_path();
    return {(bin / name).string(), (bin.parent_path() / "lib" / "packwright" / name).string()};
}

std::string ShippedFilePath(const std::string& name) {
    std::vector<std::string> candidates = ShippedFileCandidates(name);
    for (const std::string& path : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(path, ec)) return path;
    }
    return candidates.front();
}
