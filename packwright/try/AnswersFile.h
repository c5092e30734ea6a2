// The answers a try gives to an installer's and an Uninstaller's questions, from a TOML file:
//
//   [install]
//   "Overwrite?" = "Yes"            # a message by its caption: the button's label
//   "Overwrite file?" = "Replace"
//   [uninstall]
//   "Retry?" = "No"
//   shared_files = "delete"         # or "keep" (the default): a shared file no longer needed
#pragma once
#include <string>
#include <utility>
#include <vector>

struct Answers {
    std::vector<std::pair<std::string, std::string>> install;    // (caption or how the text begins, button)
    std::vector<std::pair<std::string, std::string>> uninstall;
};

// The Uninstaller's question about a shared file no longer counted begins so; its caption is the file.
extern const char SharedFileQuestion[];

// Throws TryError naming the file and the entry that is wrong.
Answers ReadAnswers(const std::string& path);
