#include "packwright/builder/ManifestReader.h"

#include <fmt/format.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <set>
#include <strings.h>
#include <vector>
#include <algorithm>
#include <toml++/toml.h>

#include "packwright/text/NearestName.h"

namespace fs = std::filesystem;

namespace {

int LineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

// One TOML table being read: hands out its keys by type, remembers which were used, and
// reports mistakes under the table's field path ("file[2].target").
class TableReader {
public:
    TableReader(const toml::table& table, std::string prefix, Diagnostics& d)
        : table_(table), prefix_(std::move(prefix)), d_(d) {}

    // The root table has no line of its own: its problems concern the file as a whole.
    int Line() const { return prefix_.empty() ? 0 : LineOf(table_); }
    std::string Field(const std::string& key) const { return prefix_.empty() ? key : prefix_ + "." + key; }

    // Every table read remembers where its keys stand.
    void Locate(ManifestTable& into) const {
        into.line = Line();
        for (const auto& [key, node] : table_) into.keyLines[std::string(key.str())] = LineOf(node);
    }

    const toml::node* Find(const std::string& key) {
        used_.insert(key);
        return table_.get(key);
    }

    bool String(const std::string& key, std::string* out, bool required = false) {
        const toml::node* node = Find(key);
        if (!node) {
            if (required) d_.Error(Line(), Field(key), "is required");
            return false;
        }
        if (auto s = node->value<std::string>(); s && node->is_string()) {
            *out = *s;
            return true;
        }
        d_.Error(LineOf(*node), Field(key), "must be a string");
        return false;
    }

    bool Bool(const std::string& key, bool* out) {
        const toml::node* node = Find(key);
        if (!node) return false;
        if (node->is_boolean()) {
            *out = *node->value<bool>();
            return true;
        }
        d_.Error(LineOf(*node), Field(key), "must be true or false");
        return false;
    }

    // Keys nobody asked for are mistakes (usually typos) rather than something to ignore;
    // every known key has been asked for by now, so the nearest of them is the likely intent.
    void RejectUnknownKeys() {
        for (const auto& [key, node] : table_) {
            std::string name(key.str());
            if (used_.count(name)) continue;
            std::string nearest = NearestName(name, {used_.begin(), used_.end()});
            d_.Error(LineOf(node), Field(name),
                     nearest.empty() ? "is not a known key" : fmt::format("is not a known key; did you mean '{}'?", nearest));
        }
    }

    Diagnostics& Diag() { return d_; }

private:
    const toml::table& table_;
    std::string prefix_;
    Diagnostics& d_;
    std::set<std::string> used_;
};

// The array of tables under key ("[[file]]"), each handed to read with its field path.
template <typename Read>
void EachTable(TableReader& top, const std::string& key, Read read) {
    const toml::node* node = top.Find(key);
    if (!node) return;
    const toml::array* array = node->as_array();
    if (!array) {
        top.Diag().Error(LineOf(*node), top.Field(key), fmt::format("must be a list of tables: write [[{}]]", key));
        return;
    }
    int index = 0;
    for (const toml::node& item : *array) {
        ++index;
        std::string field = fmt::format("{}[{}]", top.Field(key), index);
        if (const toml::table* table = item.as_table()) {
            TableReader reader(*table, field, top.Diag());
            read(reader, index);
            reader.RejectUnknownKeys();
        } else {
            top.Diag().Error(LineOf(item), field, "must be a table");
        }
    }
}

void ReadFooter(TableReader& top, Manifest& m) {
    const toml::node* node = top.Find("footer");
    if (!node) return;
    if (node->is_string()) {
        m.FooterText = *node->value<std::string>();
        return;
    }
    const toml::array* lines = node->as_array();
    bool ok = lines && !lines->empty() && lines->size() <= 2;
    if (ok)
        for (const toml::node& line : *lines) ok = ok && line.is_string();
    if (!ok) {
        top.Diag().Error(LineOf(*node), "footer", "must be a string or a list of one or two strings");
        return;
    }
    m.FooterText = *(*lines)[0].value<std::string>();
    if (lines->size() == 2) {
        m.FooterText.push_back('\n');
        m.FooterText.append(*(*lines)[1].value<std::string>());
    }
}

void ReadVolumeSize(TableReader& top, Manifest& m) {
    const toml::node* node = top.Find("volume_size");
    if (!node) return;
    bool ok = false;
    if (node->is_integer()) {
        std::int64_t v = *node->value<std::int64_t>();
        ok = v > 0;
        m.volumeSize = static_cast<std::uint64_t>(v);
    } else if (node->is_string()) {
        ok = ParseByteSize(*node->value<std::string>(), &m.volumeSize) && m.volumeSize > 0;
    }
    if (!ok) top.Diag().Error(LineOf(*node), "volume_size", "must be a positive number of bytes, such as 1457664 or \"1440 KiB\"");
}

void ReadFile(TableReader& t, int index, Manifest& m) {
    ManifestFileEntry e;
    t.Locate(e);
    e.index = index;
    t.String("source", &e.source, true);
    t.String("target", &e.target, true);
    t.Bool("shared", &e.shared);
    m.files.push_back(std::move(e));
}

void ReadShortcut(TableReader& t, int index, Manifest& m) {
    ManifestShortcut s;
    t.Locate(s);
    s.index = index;
    t.String("link", &s.link, true);
    t.String("target", &s.target, true);
    t.String("arguments", &s.arguments);
    t.String("working_dir", &s.workingDir);
    m.shortcuts.push_back(std::move(s));
}

// "HKLM\Software" and "HKEY_LOCAL_MACHINE\Software" name the same key; the Package always
// carries the long root name, the only spelling the installer accepts.
bool NormaliseRegistryKey(std::string* key) {
    static const std::pair<const char*, const char*> roots[] = {
        {"HKEY_CLASSES_ROOT", "HKEY_CLASSES_ROOT"},   {"HKCR", "HKEY_CLASSES_ROOT"},
        {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER"},   {"HKCU", "HKEY_CURRENT_USER"},
        {"HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE"}, {"HKLM", "HKEY_LOCAL_MACHINE"}};
    std::size_t slash = key->find('\\');
    if (slash == std::string::npos || slash + 1 >= key->size()) return false;
    std::string root = key->substr(0, slash);
    for (char& c : root) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& [spelling, full] : roots)
        if (root == spelling) {
            *key = std::string(full) + key->substr(slash);
            return true;
        }
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>* out) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ':' || c == '-') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        digits += c;
    }
    if (digits.size() % 2) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out->push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return true;
}

void ReadRegistryValue(TableReader& t, ManifestRegistryValue& v) {
    t.Locate(v);
    if (!t.String("name", &v.name)) v.name.assign(1, '@');  // no name: the key's default value
    int kinds = 0;
    if (const toml::node* n = t.Find("string")) {
        ++kinds;
        v.kind = RegistryValueKind::String;
        if (n->is_string()) v.text = *n->value<std::string>();
        else t.Diag().Error(LineOf(*n), t.Field("string"), "must be a string");
    }
    if (const toml::node* n = t.Find("dword")) {
        ++kinds;
        v.kind = RegistryValueKind::Dword;
        std::int64_t d = n->is_integer() ? *n->value<std::int64_t>() : -1;
        if (d < 0 || d > 0xFFFFFFFFll) t.Diag().Error(LineOf(*n), t.Field("dword"), "must be an integer from 0 to 4294967295");
        else v.dword = static_cast<std::uint32_t>(d);
    }
    if (const toml::node* n = t.Find("binary")) {
        ++kinds;
        v.kind = RegistryValueKind::Binary;
        bool ok = n->is_string() && ParseHexBytes(*n->value<std::string>(), &v.data);
        if (!ok) t.Diag().Error(LineOf(*n), t.Field("binary"), "must be a string of hexadecimal byte pairs, such as \"01 a0 ff\"");
    }
    bool nameOnly = false;
    if (t.Bool("name_only", &nameOnly) && nameOnly) {
        ++kinds;
        v.kind = RegistryValueKind::NameOnly;
    }
    if (kinds != 1)
        t.Diag().Error(v.line, t.Field("value"), "give exactly one of string, dword, binary or name_only = true");
}

void ReadRegistryKey(TableReader& t, int index, Manifest& m) {
    ManifestRegistryKey k;
    t.Locate(k);
    k.index = index;
    if (t.String("key", &k.key, true) && !NormaliseRegistryKey(&k.key))
        t.Diag().Error(k.LineOf("key"), t.Field("key"),
                       "must start with HKEY_CLASSES_ROOT\\, HKEY_CURRENT_USER\\ or HKEY_LOCAL_MACHINE\\ "
                       "(or HKCR\\, HKCU\\, HKLM\\) followed by a sub key");
    EachTable(t, "values", [&](TableReader& value, int) {
        ManifestRegistryValue v;
        ReadRegistryValue(value, v);
        k.values.push_back(std::move(v));
    });
    m.registry.push_back(std::move(k));
}

}  // namespace

bool ParseByteSize(const std::string& text, std::uint64_t* bytes) {
    std::size_t i = 0;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) ++i;
    if (i == 0) return false;
    double number;
    try {
        std::size_t used = 0;
        number = std::stod(text.substr(0, i), &used);
        if (used != i) return false;
    } catch (const std::exception&) {
        return false;
    }
    std::string unit = text.substr(i);
    unit.erase(0, unit.find_first_not_of(' '));
    static const std::pair<const char*, double> units[] = {
        {"", 1},         {"B", 1},          {"KB", 1e3},         {"MB", 1e6}, {"GB", 1e9},
        {"KiB", 1024.0}, {"MiB", 1048576.0}, {"GiB", 1073741824.0}};
    // Units in any case: "1440kib" means what "1440 KiB" does.
    for (const auto& [name, factor] : units)
        if (strcasecmp(unit.c_str(), name) == 0) {
            double value = std::floor(number * factor);
            if (value < 0 || value > 1.8e19) return false;
            *bytes = static_cast<std::uint64_t>(value);
            return true;
        }
    return false;
}

Manifest ReadManifest(const std::string& path, Diagnostics& d) {
    Manifest m;
    m.path = path;
    m.directory = fs::absolute(fs::path(path)).parent_path().string();
    toml::table root;
    try {
        root = toml::parse_file(path);
    } catch (const toml::parse_error& e) {
        std::string what(e.description());
        if (!fs::exists(path)) d.Error(0, "", "cannot be read: no such file");
        else d.Error(static_cast<int>(e.source().begin.line), "", fmt::format("not valid TOML: {}", what));
        return m;
    }
    m.parsed = true;
    TableReader top(root, "", d);
    top.Locate(m);
    top.String("title", &m.ProductTitle, true);
    ReadFooter(top, m);
    top.String("uninstall_name", &m.UninstallName);
    top.String("program_dir", &m.ProgramDir);
    top.String("start_menu_folder", &m.ShortcutFolder);
    std::string text;
    if (top.String("password", &text)) m.password = text;
    if (top.String("licence", &text)) {
        m.licenceFile = (fs::path(m.directory) / text).string();
    }
    top.String("run_after", &m.runAfter);
    ReadVolumeSize(top, m);
    top.String("version", &m.version);
    top.String("publisher", &m.publisher);
    top.String("copyright", &m.copyright);
    top.String("homepage", &m.homepage);
    top.String("display_icon", &m.displayIcon);
    EachTable(top, "file", [&](TableReader& t, int index) { ReadFile(t, index, m); });
    EachTable(top, "shortcut", [&](TableReader& t, int index) { ReadShortcut(t, index, m); });
    EachTable(top, "registry", [&](TableReader& t, int index) { ReadRegistryKey(t, index, m); });
    top.RejectUnknownKeys();
    return m;
}
