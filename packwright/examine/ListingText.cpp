#include <fmt/format.h>

#include "packwright/examine/LineDecoding.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/text/TextRendering.h"

namespace {
std::string Version(const std::array<u16, 4>& v) { return fmt::format("{}.{}.{}.{}", v[0], v[1], v[2], v[3]); }

std::string OrNone(const std::string& text) { return text.empty() ? "(none)" : DisplayText(text); }

void AppendHeader(std::string& out, const ExaminedPackage& p) {
    const ExaminedHeader& h = p.header;
    out += fmt::format("Product title:   {}\n", OrNone(h.ProductTitle));
    std::size_t feed = h.FooterText.find('\n');
    if (feed == std::string::npos) {
        out += fmt::format("Footer:          {}\n", OrNone(h.FooterText));
    } else {
        out += fmt::format("Footer:          {}\n", DisplayText(h.FooterText.substr(0, feed)));
        out += fmt::format("                 {}\n", DisplayText(h.FooterText.substr(feed + 1)));
    }
    out += fmt::format("Uninstall name:  {}\n", OrNone(h.UninstallName));
    if (p.runMode != RunMode::Install) return;
    out += fmt::format("Program folder:  {}{}\n", OrNone(h.ProgramDir),
                       h.ProgramDir.empty() ? "" : h.ProgramDirFixed ? " (fixed)" : " (the user may change it)");
    out += fmt::format("Start menu:      {}\n", OrNone(h.ShortcutFolder));
    out += fmt::format("Password:        {}\n", h.PasswordChecksum ? "yes" : "no");
    out += h.LicenceText ? fmt::format("Licence text:    {} bytes\n", h.LicenceText->size())
                         : std::string("Licence text:    (none)\n");
    out += fmt::format("Total blocks:    {}\n", h.TotalBlocks);
    out += "Disk use by cluster size (the installer's space estimate):\n";
    for (int k = 0; k < 7; ++k)
        out += fmt::format("  {:>5} bytes: {:>13} bytes ({} clusters)\n", 512 << k,
                           static_cast<u64>(h.SizeTable[k]) * (512u << k), h.SizeTable[k]);
}

// What Windows shows about the installer (Explorer, the elevation prompt).
void AppendVersion(std::string& out, const StubVersionInfo& v) {
    out += fmt::format("Version resource: {}\n", Version(v.numbers));
    for (const auto& [key, text] : v.strings) out += fmt::format("  {:<17} {}\n", key + ":", text.empty() ? "(none)" : text);
}

void AppendFiles(std::string& out, const ExaminedPackage& p) {
    out += fmt::format("\nFiles ({}):\n", p.files.size());
    if (p.files.empty()) return;
    out += fmt::format("  {:>12}  {:>6}  {:<19}  {:<19}  {:<6}  {}\n", "size", "blocks", "version", "time (UTC)",
                       "shared", "name");
    for (const ExaminedFile& f : p.files)
        out += fmt::format("  {:>12}  {:>6}  {:<19}  {:<19}  {:<6}  {}{}\n", f.intact ? std::to_string(f.decodedSize) : "damaged",
                           f.blockCount, Version(f.version), FormatFileTime(f.time), f.shared ? "yes" : "no",
                           DisplayText(f.name), f.intact ? "" : "  (not all of it could be read)");
}

void AppendShortcuts(std::string& out, const ExaminedPackage& p) {
    out += fmt::format("\nShortcuts ({}):\n", p.shortcuts.size());
    for (const std::string& line : p.shortcuts) {
        DecodedShortcut s = DecodeShortcut(line);
        out += fmt::format("  {}{}\n", DisplayText(s.link), s.lnkAdded ? "  (.lnk is added)" : "");
        out += fmt::format("      target:      {}\n", DisplayText(s.target));
        if (!s.arguments.empty()) out += fmt::format("      arguments:   {}\n", DisplayText(s.arguments));
        if (!s.workingDirectory.empty()) out += fmt::format("      working dir: {}\n", DisplayText(s.workingDirectory));
    }
    if (p.shortcutStop) out += "  (ended by a line without '=': " + DisplayText(*p.shortcutStop) + ")\n";
}

std::string ValueText(const DecodedRegistryLine& r) {
    if (r.type == "dword") return r.dword ? fmt::format("{} (0x{:08X})", *r.dword, *r.dword) : "(incomplete)";
    if (r.type == "binary") return r.data.empty() ? "(no bytes)" : HexString(r.data, " ");
    if (r.type == "name_only") return "(nothing is written; the uninstaller removes the value)";
    return DisplayText(r.data);
}

void AppendRegistry(std::string& out, const ExaminedPackage& p) {
    std::vector<DecodedRegistryLine> lines = DecodeRegistrySection(p.registry);
    std::size_t keys = 0, values = 0;
    for (const DecodedRegistryLine& r : lines) {
        keys += r.kind == RegistryEntryKind::Key;
        values += r.kind == RegistryEntryKind::Value;
    }
    out += fmt::format("\nRegistry ({} keys, {} values):\n", keys, values);
    for (const DecodedRegistryLine& r : lines) {
        switch (r.kind) {
            case RegistryEntryKind::Key: out += fmt::format("  {}\\{}\n", r.root, DisplayText(r.key)); break;
            case RegistryEntryKind::UnknownRoot: out += fmt::format("  :{}  (unknown root: ignored)\n", DisplayText(r.key)); break;
            case RegistryEntryKind::NoEquals: out += fmt::format("    {}  (no '=': sets nothing)\n", DisplayText(r.data)); break;
            case RegistryEntryKind::Value:
                out += fmt::format("    {:<20} {:<10} {}\n", r.isDefault ? "(default)" : DisplayText(r.name),
                                   r.type == "name_only" ? "name only" : r.type, ValueText(r));
                break;
        }
    }
}

void AppendInstallLog(std::string& out, const ExaminedPackage& p) {
    std::vector<std::pair<std::string, std::vector<std::string>>> groups;
    for (const InstallLogGroup& g : p.logRegistry) groups.push_back({g.keyLine, g.entries});
    DecodedInstallLog log = DecodeInstallLog(p.logFiles, groups);
    out += fmt::format("\nInstall log, files ({}):\n", log.files.size());
    for (const DecodedLogFile& f : log.files) {
        std::string note = f.role == "finalizer"     ? "  (the finalizer)"
                           : f.role == "uninstaller" ? "  (the uninstaller)"
                           : f.role == "shortcut"    ? "  (a shortcut's link, by its name and place)"
                           : f.shared                ? "  (shared)"
                                                     : "";
        out += "  " + DisplayText(f.path) + note + "\n";
    }
    out += fmt::format("Install log, registry ({} key groups):\n", log.keyGroups.size());
    for (const DecodedKeyGroup& g : log.keyGroups) {
        std::string owner = g.owner == "remembered_choices" ? "  (the installer's remembered choices)"
                            : g.owner == "uninstall_entry"  ? "  (the uninstall entry)"
                                                            : "";
        out += "  " + (g.root.empty() ? DisplayText(g.key) : g.root + "\\" + DisplayText(g.key)) + owner + "\n";
        for (const std::string& name : g.names) out += "    " + (name == "@" ? std::string("(default)") : DisplayText(name)) + "\n";
    }
}
}  // namespace

std::string ListingText(const ExaminedPackage& p) {
    std::string out;
    out += fmt::format("Installer:       {}\n", p.path);
    out += fmt::format("Kind:            {} (run mode {})\n", RunModeName(p.runMode), RunModeValue(p.runMode));
    out += fmt::format("Package offset:  {}\n", p.packageOffset);
    out += fmt::format("Volumes read:    {}\n", p.volumes.size());
    if (p.version) AppendVersion(out, *p.version);
    if (p.headerRead) AppendHeader(out, p);
    if (p.runMode == RunMode::Install && p.headerRead) AppendFiles(out, p);
    if (p.runMode == RunMode::Install && p.filesEnded) {
        AppendShortcuts(out, p);
        AppendRegistry(out, p);
        if (p.runAfter) out += fmt::format("\nRun after:       {}\n", OrNone(*p.runAfter));
    } else if (p.runMode == RunMode::Uninstall) {
        AppendInstallLog(out, p);
    }
    if (!p.complete) out += "\n(incomplete: reading stopped at the first problem that ended it, below)\n";
    if (!p.problems.empty()) {
        out += "\nProblems:\n";
        for (const Problem& problem : p.problems) out += "  " + problem.message + "\n";
    }
    return out;
}
