#include "packwright/init/DraftManifest.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string_view>

#include "packwright/builder/AnsiText.h"
#include "packwright/builder/PeVersion.h"
#include "packwright/builder/SourceFiles.h"
#include "packwright/init/TomlText.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsProgram(const std::string& name) {
    std::string lower = Lower(name);
    return lower.size() > 4 && lower.ends_with(".exe");
}

bool InAnsi(const std::string& text) {
    std::string converted, bad;
    return Utf8ToWindows1252(text, &converted, &bad) == AnsiResult::Converted;
}

// A name for a folder on the user's machine: a backslash would make program_dir a fixed
// path, and Windows refuses the other characters in file names.
std::string WindowsName(std::string name) {
    for (char& c : name)
        if (std::string_view("<>:\"/\\|?*=\t").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20)
            c = '-';
    return name;
}

std::string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ProgramDirPath(const std::string& relative) {
    return relative.empty() ? "{OurProgramDir}" : "{OurProgramDir}\\" + Backslashed(relative);
}

struct FileEntry {
    std::string source;
    std::string target;
};

struct Program {
    std::string path;      // on this machine
    std::string relative;  // below the folder, '/'-separated
};

std::string VersionText(const FileVersion& v) {
    if (v == FileVersion{}) return "";
    return fmt::format("{}.{}.{}.{}", v.major, v.minor, v.build, v.revision);
}

// The program the product is named after: at the top of the folder, named like the folder
// if one is, else the first there, else the first anywhere.
const Program* MainProgram(const std::vector<Program>& programs, const std::string& title) {
    const Program* first = nullptr;
    for (const Program& p : programs) {
        if (p.relative.find('/') != std::string::npos) continue;
        if (Lower(fs::path(p.relative).stem().string()) == Lower(title)) return &p;
        if (!first) first = &p;
    }
    if (first) return first;
    return programs.empty() ? nullptr : &programs.front();
}

std::string Header(const std::string& folder, const std::string& manifestName) {
    return fmt::format(
        "# Drafted by `packwright init` from the files in '{0}'. Edit it as you like; every\n"
        "# field is described in docs/manifest.md of packwright's documentation. Build it with\n"
        "#\n"
        "#   packwright build {1} -o setup.exe\n"
        "#\n"
        "# Paths on this machine are relative to this file. Paths on the user's machine start\n"
        "# with a path macro such as {{OurProgramDir}}, in single quotes so that backslashes stay\n"
        "# as they are.\n\n",
        folder, manifestName);
}

}  // namespace

ManifestDraft DraftManifest(const std::string& folder, const std::string& manifestPath) {
    std::error_code ec;
    fs::path root = fs::weakly_canonical(fs::absolute(folder), ec);
    if (ec || !fs::is_directory(root, ec)) throw InitError(fmt::format("'{}' is not a folder", folder));
    fs::path manifestFile = fs::weakly_canonical(fs::absolute(manifestPath), ec);
    if (ec) throw InitError(fmt::format("cannot place a manifest at '{}': {}", manifestPath, ec.message()));
    std::string prefix = root.lexically_relative(manifestFile.parent_path()).generic_string();
    prefix = prefix == "." ? "" : prefix + "/";
    if (IsGlobPattern(prefix))
        throw InitError(fmt::format("the path '{}' from the manifest to the files holds *, ? or [, which a source "
                                    "would read as a pattern; write the manifest somewhere else",
                                    prefix));

    ManifestDraft draft;
    std::string title = root.filename().string();
    if (title.empty() || !InAnsi(title)) title = "Product";
    std::string folderName = WindowsName(title);

    std::vector<fs::directory_entry> top;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) top.push_back(*it);
    if (ec) throw InitError(fmt::format("cannot read '{}': {}", folder, ec.message()));
    std::sort(top.begin(), top.end(), [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });

    std::vector<FileEntry> files;
    std::vector<std::string> leftOut;
    std::vector<Program> programs;
    for (const fs::directory_entry& e : top) {
        std::string name = e.path().filename().string();
        // Hidden files are version control and editor state, not the product.
        if (name[0] == '.') continue;
        bool isFolder = fs::is_directory(e.path(), ec);
        if (!isFolder && !fs::is_regular_file(e.path(), ec)) continue;
        // A name that must be escaped in a pattern goes to the program folder under its own
        // name; any other gets a target of its own, easier to edit.
        bool plain = GlobLiteral(name) == name;
        std::string pattern = GlobLiteral(name) + (isFolder ? "/**" : "");
        FileEntry entry{prefix + pattern, plain ? ProgramDirPath(name) : ProgramDirPath("")};
        // The same matches as from the manifest's folder, which need not exist yet.
        std::vector<SourceMatch> matches = FindSourceFiles(root.string(), pattern);
        if (matches.empty()) {
            leftOut.push_back(name);
            continue;
        }
        for (const SourceMatch& m : matches) {
            std::string relative = fs::path(m.path).lexically_relative(root).generic_string();
            if (IsProgram(relative)) programs.push_back({m.path, relative});
        }
        files.push_back(entry);
        draft.entries.push_back(name);
    }

    const Program* main = MainProgram(programs, title);
    if (main) {
        draft.mainProgram = main->relative;
        draft.version = VersionText(ReadPeFileVersionOf(main->path));
    }

    std::string t = Header(folder, manifestFile.filename().string());
    t += "# Shown on the background window and the welcome page.\n";
    t += fmt::format("title = {}\n\n", TomlString(title));
    if (!draft.version.empty()) {
        t += fmt::format("# The product's version, from the version resource of {}.\n", main->relative);
        t += fmt::format("version = {}\n\n", TomlString(draft.version));
    } else {
        t += "# The product's version, \"1.2\" to \"1.2.3.4\"";
        t += main ? fmt::format("; {} has no version resource to take it from.\n", main->relative) : ".\n";
        t += "# version = \"1.0\"\n\n";
    }
    t += "# The proposed program folder, under the user's Program Files folder; the user may\n"
         "# change it. A path with a backslash ('C:\\Tools\\Product') would be fixed.\n";
    t += fmt::format("program_dir = {}\n\n", TomlString(folderName));
    t += "# The proposed folder in the start menu, where {OurShortcutDir} points.\n";
    t += fmt::format("start_menu_folder = {}\n\n", TomlString(folderName));
    t += "# Registers an uninstaller under this name and remembers the user's choices for the\n"
         "# next installation. Leave it out for no uninstaller.\n";
    t += fmt::format("uninstall_name = {}\n\n", TomlString(folderName.substr(0, 183)));
    if (main) {
        t += "# The icon Windows shows for the installed product.\n";
        t += fmt::format("display_icon = {}\n\n", TomlString(ProgramDirPath(main->relative)));
    }
    t += "# Optional: a licence the user must accept, a password, a program or document opened\n"
         "# after the installation.\n"
         "# licence = \"licence.txt\"\n"
         "# password = \"secret\"\n"
         "# run_after = '{OurProgramDir}\\readme.txt'\n\n";

    if (files.empty()) {
        t += "# No files were found to install: add [[file]] tables here.\n";
    } else {
        t += "# The files: one table for each file and folder at the top. \"folder/**\" takes every\n"
             "# file below the folder, keeping its folders. Hidden files (names starting with '.')\n"
             "# are left out.\n";
    }
    for (const std::string& name : leftOut) t += fmt::format("# '{}' is left out: it holds no files to install.\n", name);
    for (const FileEntry& f : files)
        t += fmt::format("\n[[file]]\nsource = {}\ntarget = {}\n", TomlString(f.source), TomlString(f.target));

    if (!programs.empty()) t += "\n# A start-menu shortcut for each program.\n";
    std::set<std::string> links;
    for (const Program& p : programs) {
        fs::path relative(p.relative);
        std::string link = WindowsName(relative.stem().string());
        std::string folderPart = relative.parent_path().generic_string();
        if (!links.insert(Lower(link)).second) {
            link += " (" + WindowsName(Backslashed(folderPart)) + ")";
            links.insert(Lower(link));
        }
        t += fmt::format("\n[[shortcut]]\nlink = {}\ntarget = {}\nworking_dir = {}\n",
                         TomlString("{OurShortcutDir}\\" + link), TomlString(ProgramDirPath(p.relative)),
                         TomlString(ProgramDirPath(folderPart)));
        draft.programs.push_back(p.relative);
    }
    draft.text = t;
    return draft;
}
