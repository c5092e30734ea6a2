#include "packwright/examine/Listing.h"

#include <fmt/format.h>

#include "packwright/examine/Escape.h"

namespace {
std::string Version(const std::array<u16, 4>& v) { return fmt::format("{}.{}.{}.{}", v[0], v[1], v[2], v[3]); }

std::string SizeTableText(const std::array<u32, 7>& table) {
    std::string out;
    for (int k = 0; k < 7; ++k) out += fmt::format("{}{}:{}", k ? "  " : "", 512 << k, table[k]);
    return out;
}

void AppendCompanionLog(std::string& out, const InspectedPackage& p) {
    out += fmt::format("Install log, file part ({}):\n", p.logFiles.size());
    for (const std::string& record : p.logFiles) out += "  " + EscapeBytes(record) + "\n";
    out += fmt::format("Install log, registry part ({} key groups):\n", p.logRegistry.size());
    for (const InstallLogGroup& group : p.logRegistry) {
        out += "  " + EscapeBytes(group.keyLine) + "\n";
        for (const std::string& entry : group.entries) out += "    " + EscapeBytes(entry) + "\n";
    }
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}
}  // namespace

std::string ListingText(const InspectedPackage& p) {
    const InspectedHeader& h = p.header;
    std::string out;
    out += fmt::format("Installer:       {}\n", p.path);
    out += fmt::format("Run mode:        {} ({})\n", RunModeValue(p.runMode), RunModeName(p.runMode));
    out += fmt::format("Package offset:  {}\n", p.packageOffset);
    out += fmt::format("Volumes read:    {}\n", p.volumesRead);
    out += fmt::format("Product title:   {}\n", QuoteForMessage(h.ProductTitle));
    out += fmt::format("Footer text:     {}\n", QuoteForMessage(h.FooterText));
    out += fmt::format("Uninstall name:  {}\n", QuoteForMessage(h.UninstallName));
    if (p.runMode == RunMode::Install) {
        out += fmt::format("Program dir:     {}{}\n", QuoteForMessage(h.ProgramDir), h.ProgramDirFixed ? " (fixed)" : "");
        out += fmt::format("Shortcut folder: {}\n", QuoteForMessage(h.ShortcutFolder));
        out += fmt::format("Password:        {}\n", h.PasswordChecksum ? "yes" : "no");
        out += fmt::format("Size table:      {}\n", SizeTableText(h.SizeTable));
        out += fmt::format("Total blocks:    {}\n", h.TotalBlocks);
        out += h.LicenceText ? fmt::format("Licence text:    {} bytes\n", h.LicenceText->size())
                             : std::string("Licence text:    none\n");
        out += fmt::format("\nFiles ({}):\n", p.files.size());
        if (!p.files.empty())
            out += fmt::format("  {:>12}  {:>6}  {:<19}  {:<19}  {:<6}  {}\n", "size", "blocks", "version",
                               "time (UTC)", "shared", "name");
        for (const InspectedFile& f : p.files)
            out += fmt::format("  {:>12}  {:>6}  {:<19}  {:<19}  {:<6}  {}\n", f.decodedSize, f.blockCount,
                               Version(f.version), FormatFileTime(f.time), f.shared ? "yes" : "no",
                               EscapeBytes(f.name));
    }
    if (p.runMode == RunMode::Install && p.complete) {
        out += fmt::format("\nShortcuts ({}):\n", p.shortcuts.size());
        for (const std::string& line : p.shortcuts) out += "  " + EscapeBytes(line) + "\n";
        if (p.shortcutStop) out += "  (ended by a line without '=': " + EscapeBytes(*p.shortcutStop) + ")\n";
        out += fmt::format("\nRegistry ({}):\n", p.registry.size());
        for (const std::string& line : p.registry) out += "  " + EscapeBytes(line) + "\n";
        out += fmt::format("\nRun after:       {}\n", p.runAfter.empty() ? "none" : QuoteForMessage(p.runAfter));
    } else if (p.runMode == RunMode::Uninstall) {
        out += "\n";
        AppendCompanionLog(out, p);
    }
    if (!p.complete) out += "\n(incomplete: reading stopped at the error reported)\n";
    if (!p.problems.empty()) {
        out += "\nProblems:\n";
        for (const std::string& problem : p.problems) out += "  " + problem + "\n";
    }
    return out;
}

std::string ListingJson(const InspectedPackage& p) {
    const InspectedHeader& h = p.header;
    std::string out = "{\n";
    out += fmt::format("  \"installer\": {},\n", JsonString(p.path));
    out += fmt::format("  \"run_mode\": {},\n  \"run_mode_name\": \"{}\",\n", RunModeValue(p.runMode), RunModeName(p.runMode));
    out += fmt::format("  \"package_offset\": {},\n  \"volumes_read\": {},\n", p.packageOffset, p.volumesRead);
    out += fmt::format("  \"complete\": {},\n", p.complete);
    out += "  \"header\": {\n";
    out += fmt::format("    \"product_title\": {},\n    \"footer_text\": {},\n    \"uninstall_name\": {}",
                       JsonString(h.ProductTitle), JsonString(h.FooterText), JsonString(h.UninstallName));
    if (p.runMode == RunMode::Install) {
        out += fmt::format(",\n    \"program_dir\": {},\n    \"program_dir_fixed\": {},\n", JsonString(h.ProgramDir),
                           h.ProgramDirFixed);
        out += fmt::format("    \"shortcut_folder\": {},\n    \"password\": {},\n", JsonString(h.ShortcutFolder),
                           h.PasswordChecksum != 0);
        out += "    \"size_table\": [";
        for (int k = 0; k < 7; ++k) out += fmt::format("{}{}", k ? ", " : "", h.SizeTable[k]);
        out += fmt::format("],\n    \"total_blocks\": {},\n", h.TotalBlocks);
        out += h.LicenceText ? fmt::format("    \"licence_length\": {}", h.LicenceText->size())
                             : std::string("    \"licence_length\": null");
    }
    out += "\n  }";
    if (p.runMode == RunMode::Install) {
        out += ",\n  \"files\": [";
        for (std::size_t i = 0; i < p.files.size(); ++i) {
            const InspectedFile& f = p.files[i];
            out += fmt::format(
                "{}\n    {{\"name\": {}, \"block_count\": {}, \"version\": \"{}\", \"time\": \"{}Z\", "
                "\"filetime\": {}, \"shared\": {}, \"size\": {}}}",
                i ? "," : "", JsonString(f.name), f.blockCount, Version(f.version), FormatFileTime(f.time, 'T'),
                f.time, f.shared, f.decodedSize);
        }
        out += p.files.empty() ? "]" : "\n  ]";
    }
    if (p.runMode == RunMode::Install && p.complete) {
        out += ",\n  \"shortcuts\": " + JsonArray(p.shortcuts);
        out += ",\n  \"registry\": [";
        for (std::size_t i = 0; i < p.registry.size(); ++i)
            out += fmt::format("{}\n    {{\"text\": {}, \"hex\": \"{}\"}}", i ? "," : "", JsonString(p.registry[i]),
                               HexString(p.registry[i]));
        out += p.registry.empty() ? "]" : "\n  ]";
        out += ",\n  \"run_after\": " + JsonString(p.runAfter);
    } else if (p.runMode == RunMode::Uninstall) {
        out += ",\n  \"install_log\": {\n    \"files\": " + JsonArray(p.logFiles) + ",\n    \"registry\": [";
        for (std::size_t i = 0; i < p.logRegistry.size(); ++i)
            out += fmt::format("{}\n      {{\"key\": {}, \"entries\": {}}}", i ? "," : "",
                               JsonString(p.logRegistry[i].keyLine), JsonArray(p.logRegistry[i].entries));
        out += p.logRegistry.empty() ? "]\n  }" : "\n    ]\n  }";
    }
    out += ",\n  \"problems\": " + JsonArray(p.problems) + "\n}\n";
    return out;
}
