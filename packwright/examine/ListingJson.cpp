#include <fmt/format.h>

#include "packwright/examine/JsonProblems.h"
#include "packwright/examine/JsonWriter.h"
#include "packwright/examine/LineDecoding.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/text/TextRendering.h"

namespace {
void Header(JsonWriter& j, const ExaminedPackage& p) {
    const ExaminedHeader& h = p.header;
    j.Key("header").BeginObject();
    j.Key("product_title").Text(h.ProductTitle);
    j.Key("footer_lines").BeginArray();
    for (std::size_t start = 0; start <= h.FooterText.size() && !h.FooterText.empty();) {
        std::size_t feed = h.FooterText.find('\n', start);
        if (feed == std::string::npos) feed = h.FooterText.size();
        j.Text(h.FooterText.substr(start, feed - start));
        start = feed + 1;
    }
    j.End();
    j.Key("uninstall_name").Text(h.UninstallName);
    if (p.runMode == RunMode::Install) {
        j.Key("program_dir").Text(h.ProgramDir);
        j.Key("program_dir_fixed").Bool(h.ProgramDirFixed);
        j.Key("start_menu_folder").Text(h.ShortcutFolder);
        j.Key("password").Bool(h.PasswordChecksum != 0);
        j.Key("licence");
        if (h.LicenceText) j.Text(*h.LicenceText);
        else j.Null();
        j.Key("total_blocks").Number(h.TotalBlocks);
        j.Key("size_table").BeginArray();
        for (int k = 0; k < 7; ++k) {
            u32 cluster = 512u << k;
            j.BeginObject().Key("cluster_size").Number(cluster).Key("clusters").Number(h.SizeTable[k]);
            j.Key("bytes").Number(static_cast<u64>(h.SizeTable[k]) * cluster).End();
        }
        j.End();
    }
    j.End();
}

void Version(JsonWriter& j, const ExaminedPackage& p) {
    j.Key("version_resource");
    if (!p.version) {
        j.Null();
        return;
    }
    const std::array<u16, 4>& n = p.version->numbers;
    j.BeginObject().Key("version").Utf8(fmt::format("{}.{}.{}.{}", n[0], n[1], n[2], n[3]));
    j.Key("strings").BeginObject();
    for (const auto& [key, text] : p.version->strings) j.Key(key).Utf8(text);
    j.End().End();
}

void Files(JsonWriter& j, const ExaminedPackage& p) {
    j.Key("files").BeginArray();
    for (const ExaminedFile& f : p.files) {
        j.BeginObject();
        j.Key("name").Text(f.name);
        j.Key("size");
        if (f.intact) j.Number(f.decodedSize);
        else j.Null();
        j.Key("intact").Bool(f.intact);
        j.Key("block_count").Number(f.blockCount).Key("blocks_read").Number(f.blocksRead);
        j.Key("version").Utf8(fmt::format("{}.{}.{}.{}", f.version[0], f.version[1], f.version[2], f.version[3]));
        j.Key("time").Utf8(FormatFileTime(f.time, 'T') + "Z").Key("filetime").Number(f.time);
        j.Key("shared").Bool(f.shared);
        j.End();
    }
    j.End();
}

void Shortcuts(JsonWriter& j, const ExaminedPackage& p) {
    j.Key("shortcuts").BeginArray();
    for (const std::string& line : p.shortcuts) {
        DecodedShortcut s = DecodeShortcut(line);
        j.BeginObject().Key("link").Text(s.link).Key("link_file").Text(s.lnkAdded ? s.link + ".lnk" : s.link);
        j.Key("target").Text(s.target).Key("arguments").Text(s.arguments).Key("working_dir").Text(s.workingDirectory);
        j.End();
    }
    j.End();
    j.Key("shortcut_section_ended_by");
    if (p.shortcutStop) j.Text(*p.shortcutStop);
    else j.Null();
}

const char* KindName(RegistryEntryKind kind) {
    switch (kind) {
        case RegistryEntryKind::Key: return "key";
        case RegistryEntryKind::UnknownRoot: return "unknown_root";
        case RegistryEntryKind::Value: return "value";
        case RegistryEntryKind::NoEquals: return "no_equals";
    }
    return "";
}

void Registry(JsonWriter& j, const ExaminedPackage& p) {
    j.Key("registry").BeginArray();
    std::vector<DecodedRegistryLine> lines = DecodeRegistrySection(p.registry);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const DecodedRegistryLine& r = lines[i];
        j.BeginObject().Key("line").Number(i + 1).Key("kind").Utf8(KindName(r.kind));
        if (r.kind != RegistryEntryKind::NoEquals) {
            j.Key("root");
            if (r.root.empty()) j.Null();
            else j.Utf8(r.root);
            j.Key("key").Text(r.key);
        }
        if (r.kind == RegistryEntryKind::Value) {
            j.Key("name").Text(r.name).Key("default").Bool(r.isDefault).Key("type").Utf8(r.type);
            j.Key("type_byte");
            if (r.typeByte) j.Text(std::string(1, static_cast<char>(*r.typeByte)));
            else j.Null();
            j.Key("value");
            if (r.type == "dword" && r.dword) j.Number(*r.dword);
            else if (r.type == "binary" && r.typeByte) j.Utf8(HexString(r.data));
            else if (r.type == "string" && r.typeByte) j.Text(r.data);
            else j.Null();
        }
        j.Key("raw_hex").Utf8(HexString(p.registry[i]));
        j.End();
    }
    j.End();
}

void InstallLog(JsonWriter& j, const ExaminedPackage& p) {
    std::vector<std::pair<std::string, std::vector<std::string>>> groups;
    for (const InstallLogGroup& g : p.logRegistry) groups.push_back({g.keyLine, g.entries});
    DecodedInstallLog log = DecodeInstallLog(p.logFiles, groups);
    j.Key("install_log").BeginObject().Key("files").BeginArray();
    for (const DecodedLogFile& f : log.files)
        j.BeginObject().Key("path").Text(f.path).Key("shared").Bool(f.shared).Key("role").Utf8(f.role).End();
    j.End().Key("key_groups").BeginArray();
    for (const DecodedKeyGroup& g : log.keyGroups) {
        j.BeginObject().Key("root");
        if (g.root.empty()) j.Null();
        else j.Utf8(g.root);
        j.Key("key").Text(g.key).Key("owner");
        if (g.owner.empty()) j.Null();
        else j.Utf8(g.owner);
        j.Key("values").BeginArray();
        for (const std::string& name : g.names) j.Text(name);
        j.End().End();
    }
    j.End().End();
}
}  // namespace

std::string ListingJson(const ExaminedPackage& p) {
    JsonWriter j;
    j.BeginObject();
    j.Key("schema_version").Number(JsonSchemaVersion).Key("command").Utf8("list");
    j.Key("installer").Utf8(p.path);
    j.Key("kind").Utf8(RunModeName(p.runMode)).Key("run_mode").Number(static_cast<u64>(static_cast<u8>(RunModeValue(p.runMode))));
    j.Key("package_offset").Number(p.packageOffset);
    AddVolumes(j, p);
    Version(j, p);
    j.Key("complete").Bool(p.complete);
    if (p.headerRead) Header(j, p);
    if (p.runMode == RunMode::Install && p.headerRead) Files(j, p);
    if (p.runMode == RunMode::Install && p.filesEnded) {
        Shortcuts(j, p);
        Registry(j, p);
        j.Key("run_after");
        if (p.runAfter) j.Text(*p.runAfter);
        else j.Null();
    } else if (p.runMode == RunMode::Uninstall) {
        InstallLog(j, p);
    }
    AddProblems(j, p);
    j.End();
    return j.Finish();
}
