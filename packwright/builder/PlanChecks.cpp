#include "packwright/builder/PlanChecks.h"

#include <fmt/format.h>

#include "packwright/builder/AnsiText.h"
#include "packwright/builder/PackageLines.h"
#include "packwright/text/TextRendering.h"

// Texts are in the installer's code page by now; messages are UTF-8.
std::string Printable(const std::string& text) {
    return DisplayText(text.size() > 60 ? text.substr(0, 57) + "..." : text);
}

void CheckText(Diagnostics& d, int line, const std::string& field, const std::string& text, std::size_t limit) {
    if (text.find('\0') != std::string::npos) d.Error(line, field, "must not contain a NUL character");
    if (text.size() > limit)
        d.Error(line, field, fmt::format("is {} bytes long; the Package holds at most {}", text.size(), limit));
}

void CheckNoChar(Diagnostics& d, int line, const std::string& field, const std::string& text, char c,
                 const char* why) {
    if (text.find(c) != std::string::npos) d.Error(line, field, why);
}

bool IsProductVersion(const std::string& text) {
    int parts = 0;
    std::size_t at = 0;
    while (true) {
        std::size_t end = text.find('.', at);
        std::string part = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos) return false;
        if (std::stoul(part) > 65535) return false;
        ++parts;
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return parts >= 2 && parts <= 4;
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
Manifest InWindows1252(Manifest m, Diagnostics& d) {
    const std::pair<const char*, std::string*> texts[] = {
        {"title", &m.ProductTitle},           {"footer", &m.FooterText},   {"uninstall_name", &m.UninstallName},
        {"program_dir", &m.ProgramDir}, {"start_menu_folder", &m.ShortcutFolder}, {"run_after", &m.runAfter},
        {"publisher", &m.publisher},    {"copyright", &m.copyright},          {"homepage", &m.homepage},
        {"display_icon", &m.displayIcon}};
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
