#include "packwright/examine/ExtractPaths.h"

#include <cctype>
#include <vector>

#include "packwright/examine/ExamineError.h"
#include "packwright/text/TextRendering.h"

namespace fs = std::filesystem;

namespace {
const char* const KnownMacros[] = {"OurProgramDir", "WinDir",    "WinSysDir",     "WinDrive", "OurShortcutDir",
                                   "StartUp",       "StartMenu", "StartPrograms", "Desktop"};

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

[[noreturn]] void Refuse(const std::string& name, const std::string& why) {
    throw ExamineError("refusing to extract " + QuoteForMessage(name) + ": " + why);
}

// One folder or file name: nothing that climbs up, names a drive or a stream.
void CheckComponent(const std::string& name, const std::string& component) {
    if (component == "..") Refuse(name, "it climbs out of the destination with '..'");
    if (component.find(':') != std::string::npos) Refuse(name, "it names a drive or contains ':'");
}
}  // namespace

fs::path ExtractRelativePath(const std::string& storedName) {
    // The Stub takes names as C strings: what follows a 0 byte is never used.
    std::string name = storedName.substr(0, storedName.find('\0'));
    fs::path result;
    std::string rest = name;
    if (!name.empty() && name[0] == '{') {
        std::size_t close = name.find('}');
        if (close == std::string::npos) Refuse(storedName, "its path macro has no closing '}'");
        std::string macro = name.substr(1, close - 1);
        if (macro.empty()) Refuse(storedName, "its path macro is empty");
        for (const char* known : KnownMacros)
            if (EqualsIgnoringCase(macro, known)) macro = known;
        if (macro.find_first_of("/\\") != std::string::npos || macro == "." ) Refuse(storedName, "its path macro is not a plain name");
        CheckComponent(storedName, macro);
        result = macro;
        rest = name.substr(close + 1);
        // "{WinDrive}:\Temp": the colon belongs to the drive the macro stands for.
        if (macro == "WinDrive" && !rest.empty() && rest[0] == ':') rest.erase(0, 1);
    } else {
        if (!rest.empty() && (rest[0] == '\\' || rest[0] == '/')) Refuse(storedName, "it is an absolute path");
        if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':')
            Refuse(storedName, "it names a drive");
    }
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || rest[i] == '\\' || rest[i] == '/') {
            if (!part.empty() && part != ".") {
                CheckComponent(storedName, part);
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += rest[i];
        }
    }
    if (parts.empty()) Refuse(storedName, "it names a folder, not a file");
    for (const std::string& p : parts) result /= p;
    return result;
}

fs::path PrepareTarget(const fs::path& root, const fs::path& relative) {
    fs::path at = root;
    fs::path parent = relative.parent_path();
    for (const fs::path& step : parent) {
        at /= step;
        std::error_code ec;
        fs::file_status status = fs::symlink_status(at, ec);
        if (fs::is_symlink(status))
            throw ExamineError("refusing to extract into '" + at.string() + "': it is a symbolic link");
        if (fs::exists(status)) {
            if (!fs::is_directory(status))
                throw ExamineError("cannot extract into '" + at.string() + "': it exists and is not a folder");
            continue;
        }
        if (!fs::create_directory(at, ec) && ec)
            throw ExamineError("cannot create the folder '" + at.string() + "': " + ec.message());
    }
    fs::path target = root / relative;
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(target, ec)))
        throw ExamineError("cannot extract to '" + target.string() + "': a folder of that name exists");
    return target;
}
