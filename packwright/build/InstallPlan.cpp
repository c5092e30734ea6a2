#include "packwright/build/InstallPlan.h"

#include <fmt/format.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "packwright/build/AnsiText.h"
#include "packwright/build/PackageLines.h"
#include "packwright/build/SourceFiles.h"
#include "packwright/writer/PackageLimits.h"
#include "packwright/writer/PackageWriter.h"
#include "packwright/writer/WriterError.h"

namespace {

constexpr u64 FigureLimit = 1ull << 32;  // the installer forms its byte figures in 32 bits

std::string Printable(const std::string& text) {
    return text.size() > 60 ? text.substr(0, 57) + "..." : text;
}

// The rules every text of the Package shares: no NUL (texts end at one), at most `limit` bytes.
void CheckText(Diagnostics& d, int line, const std::string& field, const std::string& text,
               std::size_t limit = CountedStringLimit) {
    if (text.find('\0') != std::string::npos) d.Error(line, field, "must not contain a NUL character");
    if (text.size() > limit)
        d.Error(line, field, fmt::format("is {} bytes long; the Package holds at most {}", text.size(), limit));
}

void CheckNoChar(Diagnostics& d, int line, const std::string& field, const std::string& text, char c,
                 const char* why) {
    if (text.find(c) != std::string::npos) d.Error(line, field, why);
}

void WarnUnknownMacro(Diagnostics& d, int line, const std::string& field, const std::string& text) {
    std::string token = UnknownMacroToken(text);
    if (!token.empty())
        d.Warning(line, field, fmt::format("{} is not a path macro the installer knows; it stays as written", token));
}

// Paths on the installed system are meant to start with a macro; anything else is a
// fixed path that will only be right on machines laid out like the author's.
void CheckInstalledPath(Diagnostics& d, int line, const std::string& field, const std::string& path) {
    if (!StartsWithKnownMacro(path))
        d.Warning(line, field,
                  fmt::format("'{}' does not start with a known path macro ({{OurProgramDir}}, {{WinDir}}, "
                              "{{WinSysDir}}, {{WinDrive}}, {{OurShortcutDir}}, {{StartUp}}, {{StartMenu}}, "
                              "{{StartPrograms}}, {{Desktop}})",
                              Printable(path)));
}

std::string Backslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

void ToAnsi(Diagnostics& d, int line, const std::string& field, std::string& text) {
    // TOML strings are always UTF-8: only unrepresentable characters can fail.
    std::string converted, bad;
    if (Utf8ToWindows1252(text, &converted, &bad) == AnsiResult::Converted) {
        text = std::move(converted);
        return;
    }
    d.Error(line, field,
            fmt::format("holds {}, which the installer cannot show: its texts use the Windows-1252 code page", bad));
}

// Every text that reaches the Package, in the installer's code page. Source paths stay as
// they are: they name files on this machine.
Manifest InAnsi(Manifest m, Diagnostics& d) {
    const std::pair<const char*, std::string*> texts[] = {
        {"title", &m.title},           {"footer", &m.footer},   {"uninstall_name", &m.uninstallName},
        {"program_dir", &m.programDir}, {"start_menu_folder", &m.startMenuFolder}, {"run_after", &m.runAfter}};
    for (const auto& [key, text] : texts) ToAnsi(d, m.LineOf(key), key, *text);
    if (m.password) ToAnsi(d, m.LineOf("password"), "password", *m.password);
    for (ManifestFileEntry& e : m.files) ToAnsi(d, e.LineOf("target"), fmt::format("file[{}].target", e.index), e.target);
    for (ManifestShortcut& s : m.shortcuts) {
        std::string field = fmt::format("shortcut[{}].", s.index);
        ToAnsi(d, s.LineOf("link"), field + "link", s.link);
        ToAnsi(d, s.LineOf("target"), field + "target", s.target);
        ToAnsi(d, s.LineOf("arguments"), field + "arguments", s.arguments);
        ToAnsi(d, s.LineOf("working_dir"), field + "working_dir", s.workingDir);
    }
    for (ManifestRegistryKey& k : m.registry) {
        std::string field = fmt::format("registry[{}]", k.index);
        ToAnsi(d, k.LineOf("key"), field + ".key", k.key);
        int index = 0;
        for (ManifestRegistryValue& v : k.values) {
            std::string valueField = fmt::format("{}.values[{}].", field, ++index);
            ToAnsi(d, v.LineOf("name"), valueField + "name", v.name);
            if (v.kind == RegistryValueKind::String) ToAnsi(d, v.LineOf("string"), valueField + "string", v.text);
        }
    }
    return m;
}

void PlanHeader(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    plan.title = m.title;
    plan.footer = m.footer;
    plan.uninstallName = m.uninstallName;
    plan.programDir = m.programDir;
    plan.shortcutFolder = m.startMenuFolder;
    plan.runAfter = m.runAfter;
    plan.volumeSize = m.volumeSize;

    if (m.title.empty() && m.LineOf("title")) d.Error(m.LineOf("title"), "title", "must not be empty");
    CheckText(d, m.LineOf("title"), "title", m.title);
    CheckText(d, m.LineOf("footer"), "footer", m.footer);
    std::size_t feed = m.footer.find('\n');
    if (feed != std::string::npos && m.footer.find('\n', feed + 1) != std::string::npos)
        d.Error(m.LineOf("footer"), "footer", "has more than two lines; the background window shows two");
    CheckText(d, m.LineOf("uninstall_name"), "uninstall_name", m.uninstallName);
    CheckNoChar(d, m.LineOf("uninstall_name"), "uninstall_name", m.uninstallName, '\\', "must not contain '\\': it names a registry key");
    CheckText(d, m.LineOf("program_dir"), "program_dir", m.programDir);
    CheckText(d, m.LineOf("start_menu_folder"), "start_menu_folder", m.startMenuFolder);
    CheckText(d, m.LineOf("run_after"), "run_after", m.runAfter);
    WarnUnknownMacro(d, m.LineOf("run_after"), "run_after", m.runAfter);
    // The uninstaller is written to {OurProgramDir}\UNINST.EXE: without a program folder it
    // would land in the root of the current drive.
    if (!m.uninstallName.empty() && m.programDir.empty())
        d.Error(m.LineOf("uninstall_name"), "uninstall_name", "needs program_dir: the uninstaller is placed in the program folder");
    if (m.password) {
        if (m.password->empty()) d.Error(m.LineOf("password"), "password", "must not be empty; leave the key out for no password");
        CheckText(d, m.LineOf("password"), "password", *m.password);
        for (unsigned char c : *m.password)
            if (c >= 0x80) {
                d.Warning(m.LineOf("password"), "password", "holds non-ASCII characters; the installer compares them byte for byte in "
                                         "the Windows code page, so users may be unable to type it");
                break;
            }
        plan.passwordChecksum = PasswordChecksumFor(*m.password);
    }
}

void PlanLicence(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    if (!m.licenceFile) return;
    std::ifstream in(*m.licenceFile, std::ios::binary);
    if (!in) {
        d.Error(m.LineOf("licence"), "licence", fmt::format("cannot read '{}'", *m.licenceFile));
        return;
    }
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (raw.empty()) {
        d.Error(m.LineOf("licence"), "licence", fmt::format("'{}' is empty", *m.licenceFile));
        return;
    }
    if (raw.find('\0') != std::string::npos) {
        d.Error(m.LineOf("licence"), "licence", fmt::format("'{}' holds a NUL byte; it must be a text file", *m.licenceFile));
        return;
    }
    // A UTF-8 licence is converted like every other text; anything else is taken to be in
    // the installer's code page already.
    if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    std::string converted, bad;
    AnsiResult result = Utf8ToWindows1252(raw, &converted, &bad);
    if (result == AnsiResult::Converted) {
        raw = std::move(converted);
    } else if (result == AnsiResult::Unrepresentable) {
        d.Error(m.LineOf("licence"), "licence",
                fmt::format("'{}' holds {}, which the installer cannot show: its texts use the Windows-1252 code page",
                            *m.licenceFile, bad));
        return;
    }
    // The licence page is a Windows edit control, which breaks lines only at CR LF.
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) text += '\r';
        text += raw[i];
    }
    plan.licenceText = text;
}

void PlanFiles(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    std::map<std::string, std::string> targets;  // lower-cased target -> field that claimed it
    for (const ManifestFileEntry& e : m.files) {
        std::string field = fmt::format("file[{}]", e.index);
        if (e.source.empty()) {
            d.Error(e.LineOf("source"), field + ".source", "must not be empty");
            continue;
        }
        std::string target = Backslashes(e.target);
        if (target.empty()) {
            d.Error(e.LineOf("target"), field + ".target", "must not be empty");
            continue;
        }
        CheckInstalledPath(d, e.LineOf("target"), field + ".target", target);
        CheckNoChar(d, e.LineOf("target"), field + ".target", target, '\t', "must not contain a TAB character");
        if (m.programDir.empty() && UsesMacro(target, "{OurProgramDir}"))
            d.Error(e.LineOf("target"), field + ".target", "uses {OurProgramDir} but program_dir is empty");
        bool glob = IsGlobPattern(e.source);
        // '{OurProgramDir}' alone can only mean the folder: a file cannot replace it.
        bool asFolder = glob || target.back() == '\\' || IsBareMacro(target);
        std::vector<SourceMatch> matches = FindSourceFiles(m.directory, e.source);
        if (matches.empty()) {
            d.Error(e.LineOf("source"), field + ".source",
                    glob ? fmt::format("'{}' matches no file", e.source)
                         : fmt::format("'{}' is not a readable file", e.source));
            continue;
        }
        for (const SourceMatch& match : matches) {
            PlannedFile f;
            f.source = match.path;
            SourceMatch named = match;
            ToAnsi(d, e.LineOf("source"), field + ".source", named.relative);
            f.target = TargetPathFor(target, named, asFolder);
            f.shared = e.shared;
            f.line = e.LineOf("source");
            f.field = field + ".source";
            CheckText(d, e.LineOf("target"), field + ".target", f.target);
            auto [it, fresh] = targets.emplace(Lower(f.target), field);
            if (!fresh)
                d.Error(e.LineOf("target"), field + ".target",
                        fmt::format("'{}' is also installed by {}", Printable(f.target), it->second));
            struct stat st;
            if (::stat(f.source.c_str(), &st) != 0) {
                d.Error(e.LineOf("source"), field + ".source", fmt::format("cannot read '{}'", f.source));
                continue;
            }
            f.size = static_cast<u64>(st.st_size);
            f.time = FileTimeFromUnix(st.st_mtim.tv_sec, static_cast<u32>(st.st_mtim.tv_nsec));
            u64 blocks = BlocksForSize(f.size);
            if (blocks > BlockCountLimit) {
                d.Error(e.LineOf("source"), field + ".source",
                        fmt::format("'{}' is {} bytes: {} blocks of 65000 bytes, more than the 65535 a file may have",
                                    f.source, f.size, blocks));
                continue;
            }
            f.blocks = static_cast<u32>(blocks);
            f.version = ReadPeFileVersionOf(f.source);
            plan.files.push_back(std::move(f));
        }
    }
}

void PlanShortcuts(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    for (ManifestShortcut s : m.shortcuts) {
        std::string field = fmt::format("shortcut[{}]", s.index);
        s.link = Backslashes(s.link);
        if (s.link.empty()) d.Error(s.LineOf("link"), field + ".link", "must not be empty");
        if (s.target.empty()) d.Error(s.LineOf("target"), field + ".target", "must not be empty");
        CheckNoChar(d, s.LineOf("link"), field + ".link", s.link, '=', "must not contain '=': it ends the link in the Package");
        CheckNoChar(d, s.LineOf("link"), field + ".link", s.link, '\t', "must not contain a TAB character");
        CheckNoChar(d, s.LineOf("target"), field + ".target", s.target, '\t', "must not contain a TAB character");
        CheckNoChar(d, s.LineOf("arguments"), field + ".arguments", s.arguments, '\t', "must not contain a TAB character");
        CheckNoChar(d, s.LineOf("working_dir"), field + ".working_dir", s.workingDir, '\t', "must not contain a TAB character");
        if (!s.link.empty()) CheckInstalledPath(d, s.LineOf("link"), field + ".link", s.link);
        WarnUnknownMacro(d, s.LineOf("target"), field + ".target", s.target);
        WarnUnknownMacro(d, s.LineOf("working_dir"), field + ".working_dir", s.workingDir);
        const std::pair<const char*, const std::string*> parts[] = {
            {"link", &s.link}, {"target", &s.target}, {"arguments", &s.arguments}, {"working_dir", &s.workingDir}};
        for (const auto& [key, text] : parts) {
            if (m.programDir.empty() && UsesMacro(*text, "{OurProgramDir}"))
                d.Error(s.LineOf(key), field + "." + key, "uses {OurProgramDir} but program_dir is empty");
            if (m.startMenuFolder.empty() && UsesMacro(*text, "{OurShortcutDir}"))
                d.Warning(s.LineOf(key), field + "." + key,
                          "uses {OurShortcutDir} but start_menu_folder is empty: it is the Programs folder itself");
        }
        std::string line = ShortcutLine(s);
        if (line.size() > CountedStringLimit)
            d.Error(s.line, field,
                    fmt::format("link, target, arguments and working_dir take {} bytes together in the Package; "
                                "at most {} fit",
                                line.size(), CountedStringLimit));
        plan.shortcutLines.push_back(line);
    }
}

void PlanRegistry(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    for (const ManifestRegistryKey& k : m.registry) {
        std::string field = fmt::format("registry[{}]", k.index);
        std::string keyLine = RegistryKeyLine(k);
        CheckText(d, k.LineOf("key"), field + ".key", keyLine);
        plan.registryLines.push_back(keyLine);
        int index = 0;
        for (const ManifestRegistryValue& v : k.values) {
            std::string valueField = fmt::format("{}.values[{}]", field, ++index);
            // An empty name would read back as the end of the key's group in the uninstall
            // log, and a leading ':' would make the line a key line.
            if (v.name.empty())
                d.Error(v.LineOf("name"), valueField + ".name", "must not be empty; leave it out for the key's default value");
            else if (v.name[0] == ':')
                d.Error(v.LineOf("name"), valueField + ".name", "must not start with ':'");
            CheckNoChar(d, v.LineOf("name"), valueField + ".name", v.name, '=', "must not contain '='");
            CheckText(d, v.LineOf("name"), valueField + ".name", v.name);
            if (v.kind == RegistryValueKind::String) {
                CheckText(d, v.LineOf("string"), valueField + ".string", v.text);
                WarnUnknownMacro(d, v.LineOf("string"), valueField + ".string", v.text);
                if (m.programDir.empty() && UsesMacro(v.text, "{OurProgramDir}"))
                    d.Error(v.LineOf("string"), valueField + ".string", "uses {OurProgramDir} but program_dir is empty");
            }
            std::string line = RegistryValueLine(v);
            if (line.size() > CountedStringLimit)
                d.Error(v.line, valueField,
                        fmt::format("name and data take {} bytes in the Package; at most {} fit", line.size(),
                                    CountedStringLimit));
            plan.registryLines.push_back(line);
        }
    }
}

void PlanTotals(Diagnostics& d, InstallPlan& plan) {
    u64 table[7] = {};
    u64 blocks = 0;
    for (const PlannedFile& f : plan.files) {
        for (int k = 0; k < 7; ++k) {
            u64 cluster = 512ull << k;
            table[k] += (f.size + cluster - 1) / cluster;
        }
        blocks += f.blocks;
        plan.totalBytes += f.size;
    }
    for (int k = 0; k < 7; ++k) {
        if (table[k] * (512ull << k) >= FigureLimit) {
            d.Error(0, "file",
                    fmt::format("the files occupy {} bytes in clusters of {} bytes; the installer's size table "
                                "holds less than 4 GiB",
                                table[k] * (512ull << k), 512ull << k));
            return;
        }
        plan.sizeTable[k] = static_cast<u32>(table[k]);
    }
    if (blocks * BuiltBlockSize >= FigureLimit) {
        d.Error(0, "file", fmt::format("{} blocks of 65000 bytes exceed the 4 GiB the installer can count", blocks));
        return;
    }
    plan.totalBlocks = static_cast<u32>(blocks);
}

}  // namespace

InstallPlan PlanInstall(const Manifest& manifest, Diagnostics& d) {
    InstallPlan plan;
    Manifest m = InAnsi(manifest, d);
    PlanHeader(m, d, plan);
    PlanLicence(m, d, plan);
    PlanFiles(m, d, plan);
    PlanShortcuts(m, d, plan);
    PlanRegistry(m, d, plan);
    PlanTotals(d, plan);
    if (!d.HasErrors()) {
        // The header must fit one block; a long licence is what overflows it.
        try {
            InstallHeaderPayload(HeaderFieldsOf(plan), FileSizesOf(plan));
        } catch (const WriterError& e) {
            d.Error(m.LineOf("licence"), plan.licenceText ? "licence" : "", e.what());
        }
    }
    return plan;
}

InstallHeaderFields HeaderFieldsOf(const InstallPlan& plan) {
    return {plan.title,          plan.footer,          plan.uninstallName, plan.programDir,
            plan.shortcutFolder, plan.passwordChecksum, plan.licenceText};
}

std::vector<u64> FileSizesOf(const InstallPlan& plan) {
    std::vector<u64> sizes;
    for (const PlannedFile& f : plan.files) sizes.push_back(f.size);
    return sizes;
}
