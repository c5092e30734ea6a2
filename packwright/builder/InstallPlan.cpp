#include "packwright/builder/InstallPlan.h"

#include <fmt/format.h>

#include <fstream>
#include <iterator>

#include "package/InstallLog.h"
#include "packwright/builder/AnsiText.h"
#include "packwright/builder/PackageLines.h"
#include "packwright/builder/PlanChecks.h"
#include "packwright/builder/PlanFiles.h"
#include "packwright/writer/PackageLimits.h"
#include "packwright/writer/PackageWriter.h"
#include "packwright/writer/WriterError.h"

namespace {

bool StartsWithDrive(const std::string& path) {
    char letter = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
    return path.size() >= 3 && letter >= 'a' && letter <= 'z' && path[1] == ':' && path[2] == '\\';
}

// A program_dir with a backslash is fixed, and the installer uses it exactly as written:
// it expands no path macro there, so anything but a full drive path would install into
// whatever folder the installer happens to be started from.
void CheckFixedProgramDir(Diagnostics& d, int line, const std::string& dir) {
    if (dir.find('\\') == std::string::npos || StartsWithDrive(dir)) return;
    std::string advice = "; give a full path such as 'C:\\Tools\\Notes', or a bare name, which goes under Program Files";
    if (dir[0] == '{')
        d.Error(line, "program_dir",
                fmt::format("'{}' starts with a path macro, which the installer does not expand in program_dir: it would "
                            "install into a folder of that literal name wherever it is started{}",
                            Printable(dir), advice));
    else
        d.Error(line, "program_dir",
                fmt::format("'{}' is a fixed folder (it has a backslash) but does not start with a drive ('C:\\'): the "
                            "installer would install into whatever folder it is started from{}",
                            Printable(dir), advice));
}

void PlanHeader(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    plan.header.ProductTitle = m.ProductTitle;
    plan.header.FooterText = m.FooterText;
    plan.header.UninstallName = m.UninstallName;
    plan.header.ProgramDir = m.ProgramDir;
    plan.header.ShortcutFolder = m.ShortcutFolder;
    plan.runAfter = m.runAfter;
    plan.volumeSize = m.volumeSize;

    if (m.ProductTitle.empty() && m.LineOf("title")) d.Error(m.LineOf("title"), "title", "must not be empty");
    CheckText(d, m.LineOf("title"), "title", m.ProductTitle);
    CheckText(d, m.LineOf("footer"), "footer", m.FooterText);
    std::size_t feed = m.FooterText.find('\n');
    if (feed != std::string::npos && m.FooterText.find('\n', feed + 1) != std::string::npos)
        d.Error(m.LineOf("footer"), "footer", "has more than two lines; the background window shows two");
    CheckText(d, m.LineOf("uninstall_name"), "uninstall_name", m.UninstallName, UninstallNameLimit);
    CheckNoChar(d, m.LineOf("uninstall_name"), "uninstall_name", m.UninstallName, '\\', "must not contain '\\': it names a registry key");
    CheckText(d, m.LineOf("program_dir"), "program_dir", m.ProgramDir);
    CheckFixedProgramDir(d, m.LineOf("program_dir"), m.ProgramDir);
    CheckText(d, m.LineOf("start_menu_folder"), "start_menu_folder", m.ShortcutFolder);
    CheckText(d, m.LineOf("run_after"), "run_after", m.runAfter);
    WarnUnknownMacro(d, m.LineOf("run_after"), "run_after", m.runAfter);
    if (!m.version.empty() && !IsProductVersion(m.version))
        d.Error(m.LineOf("version"), "version", "must be two to four numbers from 0 to 65535 joined by dots, like \"1.2\" or \"1.2.3.4\"");
    CheckText(d, m.LineOf("publisher"), "publisher", m.publisher);
    CheckText(d, m.LineOf("copyright"), "copyright", m.copyright);
    CheckText(d, m.LineOf("homepage"), "homepage", m.homepage);
    CheckText(d, m.LineOf("display_icon"), "display_icon", m.displayIcon);
    WarnUnknownMacro(d, m.LineOf("display_icon"), "display_icon", m.displayIcon);
    // The uninstaller is written to {OurProgramDir}\UNINST.EXE: without a program folder it
    // would land in the root of the current drive.
    if (!m.UninstallName.empty() && m.ProgramDir.empty())
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
        plan.header.PasswordChecksum = PasswordChecksumFor(*m.password);
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
    plan.header.LicenceText = text;
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
            if (m.ProgramDir.empty() && UsesMacro(*text, "{OurProgramDir}"))
                d.Error(s.LineOf(key), field + "." + key, "uses {OurProgramDir} but program_dir is empty");
            if (m.ShortcutFolder.empty() && UsesMacro(*text, "{OurShortcutDir}"))
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
                if (m.ProgramDir.empty() && UsesMacro(v.text, "{OurProgramDir}"))
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

ManifestRegistryValue StringValue(const char* name, const std::string& text) {
    ManifestRegistryValue v;
    v.name = name;
    v.text = text;
    return v;
}

ManifestRegistryValue DwordValue(const char* name, std::uint32_t number) {
    ManifestRegistryValue v;
    v.name = name;
    v.kind = RegistryValueKind::Dword;
    v.dword = number;
    return v;
}

// What the system's list of installed programs shows beside the name, and how a deployment
// tool removes the product without a user: ordinary registry lines in the uninstall key,
// so the installation writes and logs them and the Uninstaller removes them. They follow the
// files and the manifest's own lines, and are written only when all of those were.
void PlanAppsEntry(const Manifest& m, Diagnostics& d, InstallPlan& plan) {
    if (m.UninstallName.empty()) return;
    std::vector<ManifestRegistryValue> values;
    const std::pair<const char*, const char*> fields[] = {
        {"DisplayVersion", "version"}, {"Publisher", "publisher"}, {"URLInfoAbout", "homepage"}, {"DisplayIcon", "display_icon"}};
    const std::string* texts[] = {&m.version, &m.publisher, &m.homepage, &m.displayIcon};
    for (int i = 0; i < 4; ++i) {
        if (texts[i]->empty()) continue;
        ManifestRegistryValue v = StringValue(fields[i].first, *texts[i]);
        std::size_t size = RegistryValueLine(v).size();
        if (size > CountedStringLimit)
            d.Error(m.LineOf(fields[i].second), fields[i].second,
                    fmt::format("is too long for the uninstall key: as its {} value it takes {} bytes in the Package; at "
                                "most {} fit",
                                fields[i].first, size, CountedStringLimit));
        values.push_back(v);
    }
    values.push_back(StringValue("InstallLocation", "{OurProgramDir}"));
    u64 kilobytes = (plan.totalBytes + 1023) / 1024;
    values.push_back(DwordValue("EstimatedSize", kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kilobytes)));
    values.push_back(StringValue("QuietUninstallString", "\"" PACKWRIGHT_UNINSTALLER_PATH "\" /S"));
    values.push_back(DwordValue("NoModify", 1));
    values.push_back(DwordValue("NoRepair", 1));
    plan.registryLines.push_back(std::string(UninstallKeyLine) + m.UninstallName);
    for (const ManifestRegistryValue& v : values) plan.registryLines.push_back(RegistryValueLine(v));
}

}  // namespace

InstallPlan PlanInstall(const Manifest& manifest, Diagnostics& d) {
    InstallPlan plan;
    Manifest m = InWindows1252(manifest, d);
    PlanHeader(m, d, plan);
    PlanLicence(m, d, plan);
    PlanFiles(m, d, plan);
    // Legal, since shortcuts and registry values need no files, but far more often a slip.
    if (m.files.empty())
        d.Warning(0, "file", "the manifest names no [[file]]: the installer will install no files");
    PlanShortcuts(m, d, plan);
    PlanRegistry(m, d, plan);
    PlanTotals(d, plan);
    PlanAppsEntry(m, d, plan);
    if (!d.HasErrors()) {
        // The header must fit one block; a long licence is what overflows it.
        try {
            InstallHeaderPayload(plan.header, FileSizesOf(plan));
        } catch (const WriterError& e) {
            d.Error(m.LineOf("licence"), plan.header.LicenceText ? "licence" : "", e.what());
        }
    }
    return plan;
}

std::vector<u64> FileSizesOf(const InstallPlan& plan) {
    std::vector<u64> sizes;
    for (const PlannedFile& f : plan.files) sizes.push_back(f.size);
    return sizes;
}
