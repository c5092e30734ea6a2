#include "packwright/try/AnswersFile.h"

#include <toml++/toml.h>

#include "packwright/try/TryError.h"

const char SharedFileQuestion[] = "The Windows Registry indicates that this shared file is no longer needed.";

namespace {
void ReadTable(const toml::table& file, const char* name, std::vector<std::pair<std::string, std::string>>& out,
               const std::string& path) {
    const toml::node* node = file.get(name);
    if (!node) return;
    const toml::table* table = node->as_table();
    if (!table) throw TryUsageError(path + ": [" + name + "] must be a table of captions and buttons");
    for (const auto& [key, value] : *table) {
        std::optional<std::string> button = value.value<std::string>();
        if (!button) throw TryUsageError(path + ": " + name + "." + std::string(key.str()) + " must be a button's label in quotes");
        if (std::string(name) == "uninstall" && key.str() == "shared_files") {
            if (*button != "keep" && *button != "delete")
                throw TryUsageError(path + ": uninstall.shared_files must be \"keep\" or \"delete\"");
            out.emplace_back(SharedFileQuestion, *button == "keep" ? "No" : "Yes");
            continue;
        }
        out.emplace_back(std::string(key.str()), *button);
    }
}
}  // namespace

Answers ReadAnswers(const std::string& path) {
    toml::table file;
    try {
        file = toml::parse_file(path);
    } catch (const toml::parse_error& e) {
        throw TryUsageError(path + ": " + std::string(e.description()));
    }
    for (const auto& [key, value] : file)
        if (key.str() != "install" && key.str() != "uninstall")
            throw TryUsageError(path + ": unknown section " + std::string(key.str()) + " (there are [install] and [uninstall])");
    Answers answers;
    ReadTable(file, "install", answers.install, path);
    ReadTable(file, "uninstall", answers.uninstall, path);
    return answers;
}
