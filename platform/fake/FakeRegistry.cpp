// An in-memory registry with the three hives. Names of keys and values compare without
// regard to case, as the system's do; a key handle stays valid until it is closed.
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <mutex>

#include "platform/Registry.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
            return lower(x) < lower(y);
        });
    }
};

struct Node {
    std::string name;
    std::map<std::string, std::shared_ptr<Node>, NoCase> keys;
    std::map<std::string, fake::RegistryValue, NoCase> values;  // "" is the default value
    bool deleted = false;
};

struct Handle {
    std::shared_ptr<Node> node;
};

std::recursive_mutex g_mutex;
std::map<u32, std::shared_ptr<Node>> g_hives;
std::set<std::string> g_denied;  // "root\key" paths that refuse to be opened

std::shared_ptr<Node> Hive(u32 root) {
    auto& hive = g_hives[root];
    if (!hive) hive = std::make_shared<Node>();
    return hive;
}

bool IsRoot(RegistryKey key) {
    uptr value = reinterpret_cast<uptr>(key);
    return value >= RootClassesRoot && value <= RootLocalMachine;
}

std::shared_ptr<Node> NodeOf(RegistryKey key) {
    if (IsRoot(key)) return Hive(static_cast<u32>(reinterpret_cast<uptr>(key)));
    if (!key) return nullptr;
    std::shared_ptr<Node> node = static_cast<Handle*>(key)->node;
    return node && !node->deleted ? node : nullptr;
}

std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('\\', start);
        std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty()) parts.push_back(part);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return parts;
}

std::shared_ptr<Node> Walk(std::shared_ptr<Node> node, const std::string& path, bool create) {
    for (const std::string& part : Split(path)) {
        auto it = node->keys.find(part);
        if (it == node->keys.end()) {
            if (!create) return nullptr;
            auto child = std::make_shared<Node>();
            child->name = part;
            it = node->keys.emplace(part, child).first;
        }
        node = it->second;
    }
    return node;
}

std::string Lower(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return text;
}

void Dump(const Node& node, const std::string& path, std::vector<std::string>& out) {
    for (const auto& [name, value] : node.values) {
        std::string line = path + " : " + (name.empty() ? "@" : name) + " = ";
        if (value.type == RegDword && value.data.size() == 4)
            line += "dword " + std::to_string(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                              static_cast<u32>(value.data[3]) << 24);
        else if (value.type == RegString)
            line += "string " + std::string(value.data.begin(), std::find(value.data.begin(), value.data.end(), 0));
        else {
            line += "binary";
            static const char digits[] = "0123456789abcdef";
            for (u8 b : value.data) line += std::string(" ") + digits[b >> 4] + digits[b & 15];
        }
        out.push_back(line);
    }
    for (const auto& [name, child] : node.keys) {
        out.push_back(path + "\\" + child->name);
        Dump(*child, path + "\\" + child->name, out);
    }
}

const char* RootName(u32 root) {
    switch (root) {
        case RootClassesRoot: return "HKEY_CLASSES_ROOT";
        case RootCurrentUser: return "HKEY_CURRENT_USER";
        default: return "HKEY_LOCAL_MACHINE";
    }
}
}  // namespace

namespace fake_state {
void ResetRegistry() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_hives.clear();
    g_denied.clear();
}
}  // namespace fake_state

namespace fake {
void SetRegistryValue(u32 root, const std::string& key, const std::string& name, u32 type, const std::vector<u8>& data) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Walk(Hive(root), key, true)->values[name] = {type, data};
}

std::optional<RegistryValue> GetRegistryValue(u32 root, const std::string& key, const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> node = Walk(Hive(root), key, false);
    if (!node) return std::nullopt;
    auto it = node->values.find(name);
    if (it == node->values.end()) return std::nullopt;
    return it->second;
}

bool RegistryKeyExists(u32 root, const std::string& key) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return Walk(Hive(root), key, false) != nullptr;
}

void DenyRegistryKey(u32 root, const std::string& key) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_denied.insert(std::string(RootName(root)) + "\\" + Lower(key));
}

std::vector<std::string> RegistryListing() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::vector<std::string> out;
    for (const auto& [root, hive] : g_hives) Dump(*hive, RootName(root), out);
    return out;
}
}  // namespace fake

RegistryKey PlatformRegistryRoot(u32 root) { return reinterpret_cast<RegistryKey>(static_cast<uptr>(root)); }

namespace {
RegistryKey OpenOrCreate(RegistryKey parent, const char* subKey, bool create) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> base = NodeOf(parent);
    if (!base) return nullptr;
    if (IsRoot(parent)) {
        u32 root = static_cast<u32>(reinterpret_cast<uptr>(parent));
        if (g_denied.count(std::string(RootName(root)) + "\\" + Lower(subKey))) return nullptr;
    }
    std::shared_ptr<Node> node = Walk(base, subKey ? subKey : "", create);
    if (!node) return nullptr;
    return new Handle{node};
}
}  // namespace

RegistryKey PlatformCreateKey(RegistryKey parent, const char* subKey) { return OpenOrCreate(parent, subKey, true); }
RegistryKey PlatformOpenKey(RegistryKey parent, const char* subKey, bool) { return OpenOrCreate(parent, subKey, false); }

void PlatformCloseKey(RegistryKey key) {
    if (key && !IsRoot(key)) delete static_cast<Handle*>(key);
}

bool PlatformQueryValue(RegistryKey key, const char* name, u32* type, void* data, u32* size) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> node = NodeOf(key);
    if (!node) return false;
    auto it = node->values.find(name ? name : "");
    if (it == node->values.end()) return false;
    const fake::RegistryValue& value = it->second;
    u32 capacity = *size;
    *size = static_cast<u32>(value.data.size());
    if (type) *type = value.type;
    if (value.data.size() > capacity) return false;
    std::copy(value.data.begin(), value.data.end(), static_cast<u8*>(data));
    return true;
}

bool PlatformSetValue(RegistryKey key, const char* name, u32 type, const void* data, u32 size) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> node = NodeOf(key);
    if (!node) return false;
    const u8* bytes = static_cast<const u8*>(data);
    node->values[name ? name : ""] = {type, std::vector<u8>(bytes, bytes + size)};
    return true;
}

bool PlatformDeleteValue(RegistryKey key, const char* name) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> node = NodeOf(key);
    return node && node->values.erase(name ? name : "") == 1;
}

bool PlatformDeleteKey(RegistryKey parent, const char* subKey) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> base = NodeOf(parent);
    if (!base) return false;
    std::vector<std::string> parts = Split(subKey);
    if (parts.empty()) return false;
    std::string last = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const std::string& p : parts) parentPath += p + "\\";
    std::shared_ptr<Node> holder = Walk(base, parentPath, false);
    if (!holder) return false;
    auto it = holder->keys.find(last);
    if (it == holder->keys.end() || !it->second->keys.empty()) return false;
    it->second->deleted = true;
    holder->keys.erase(it);
    return true;
}

bool PlatformKeyCounts(RegistryKey key, u32* subKeys, u32* values) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::shared_ptr<Node> node = NodeOf(key);
    if (!node) return false;
    *subKeys = static_cast<u32>(node->keys.size());
    *values = static_cast<u32>(node->values.size());
    return true;
}
