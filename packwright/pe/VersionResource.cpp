#include "packwright/pe/VersionResource.h"

#include "packwright/pe/PeResources.h"

namespace {

constexpr u32 FixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t FixedInfoSize = 52;
constexpr std::size_t FileVersionNumbers = 8;     // dwFileVersionMS, dwFileVersionLS
constexpr std::size_t ProductVersionNumbers = 16;  // dwProductVersionMS, dwProductVersionLS

std::size_t Align4(std::size_t at) { return (at + 3) & ~std::size_t{3}; }

// One node of the version tree: wLength, wValueLength, wType, a NUL-terminated UTF-16 key,
// padding to four bytes, the value, padding, then the children up to wLength.
struct Node {
    std::size_t start = 0, end = 0;  // end: start + wLength
    u16 valueLength = 0;
    bool text = false;  // wType 1: the value counts UTF-16 units, not bytes
    std::string key;
    std::size_t value = 0;
    std::size_t children = 0;
};

std::optional<Node> ReadNode(const u8* data, std::size_t at, std::size_t limit) {
    if (at + 6 > limit) return std::nullopt;
    Node node;
    node.start = at;
    node.end = at + LoadU16(data + at);
    node.valueLength = LoadU16(data + at + 2);
    node.text = LoadU16(data + at + 4) == 1;
    if (node.end > limit || node.end < at + 6) return std::nullopt;
    std::size_t p = at + 6;
    while (true) {
        if (p + 2 > node.end) return std::nullopt;
        u16 c = LoadU16(data + p);
        p += 2;
        if (c == 0) break;
        node.key.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    node.value = Align4(p);
    std::size_t valueBytes = node.text ? 2u * node.valueLength : node.valueLength;
    if (node.value + valueBytes > node.end) return std::nullopt;
    node.children = Align4(node.value + valueBytes);
    return node;
}

// The children of a node, in order; stops at the first malformed one.
std::vector<Node> Children(const u8* data, const Node& parent) {
    std::vector<Node> nodes;
    std::size_t at = parent.children;
    while (at + 6 <= parent.end) {
        std::optional<Node> child = ReadNode(data, at, parent.end);
        if (!child || child->end == at) break;
        nodes.push_back(*child);
        at = Align4(child->end);
    }
    return nodes;
}

void StoreNumbers(u8* at, const std::array<u16, 4>& n) {
    StoreU32(at, static_cast<u32>(n[0]) << 16 | n[1]);
    StoreU32(at + 4, static_cast<u32>(n[2]) << 16 | n[3]);
}

}  // namespace

std::optional<VersionLayout> ReadVersionLayout(const u8* data, std::size_t size) {
    std::optional<ResourceBytes> resource = FindResource(data, size, VersionResourceType);
    if (!resource) return std::nullopt;
    std::optional<Node> root = ReadNode(data, resource->offset, resource->offset + resource->size);
    if (!root || root->key != "VS_VERSION_INFO" || root->valueLength < FixedInfoSize) return std::nullopt;
    if (LoadU32(data + root->value) != FixedInfoSignature) return std::nullopt;
    VersionLayout layout;
    layout.fixedInfo = root->value;
    for (const Node& child : Children(data, *root)) {
        if (child.key != "StringFileInfo") continue;
        std::vector<Node> tables = Children(data, child);
        if (tables.empty()) break;
        for (const Node& string : Children(data, tables.front()))
            if (string.text && string.valueLength > 0)
                layout.strings.push_back({string.key, string.value, static_cast<u32>(string.valueLength - 1)});
        break;
    }
    return layout;
}

std::string ReadVersionText(const u8* data, const VersionString& string) {
    std::u16string text;
    for (u32 i = 0; i < string.capacity; ++i) {
        u16 c = LoadU16(data + string.valueOffset + 2 * i);
        if (c == 0) break;
        text.push_back(static_cast<char16_t>(c));
    }
    return Utf16ToUtf8(text);
}

std::array<u16, 4> ReadVersionNumbers(const u8* data, const VersionLayout& layout) {
    u32 ms = LoadU32(data + layout.fixedInfo + FileVersionNumbers);
    u32 ls = LoadU32(data + layout.fixedInfo + FileVersionNumbers + 4);
    return {static_cast<u16>(ms >> 16), static_cast<u16>(ms), static_cast<u16>(ls >> 16), static_cast<u16>(ls)};
}

std::vector<std::pair<std::size_t, std::size_t>> FilledVersionRanges(const VersionLayout& layout) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges = {{layout.fixedInfo + FileVersionNumbers, 8},
                                                               {layout.fixedInfo + ProductVersionNumbers, 8}};
    for (const VersionString& s : layout.strings) ranges.emplace_back(s.valueOffset, 2u * s.capacity);
    return ranges;
}

std::vector<VersionMisfit> FillVersionResource(u8* data, const VersionLayout& layout, const VersionValues& values) {
    std::vector<VersionMisfit> misfits;
    std::vector<std::pair<const VersionString*, std::u16string>> fills;
    for (const auto& [key, text] : values.texts) {
        std::u16string units = Utf8ToUtf16(text);
        const VersionString* slot = nullptr;
        for (const VersionString& s : layout.strings)
            if (s.key == key) slot = &s;
        if (!slot || units.size() > slot->capacity) misfits.push_back({key, units.size(), slot ? slot->capacity : 0});
        else fills.emplace_back(slot, std::move(units));
    }
    if (!misfits.empty()) return misfits;
    for (const auto& [slot, units] : fills)
        for (u32 i = 0; i < slot->capacity; ++i)
            StoreU16(data + slot->valueOffset + 2 * i, i < units.size() ? static_cast<u16>(units[i]) : 0);
    StoreNumbers(data + layout.fixedInfo + FileVersionNumbers, values.numbers);
    StoreNumbers(data + layout.fixedInfo + ProductVersionNumbers, values.numbers);
    return misfits;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        u32 point = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k) point = point << 6 | (text[i + k] & 0x3F);
        i += 1 + extra;
        if (point >= 0x10000) {
            point -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(point));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        u32 point = text[i];
        if (point >= 0xD800 && point < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            point = 0x10000 + ((point - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (point >= 0xD800 && point < 0xE000)
            point = 0xFFFD;
        if (point < 0x80) {
            out.push_back(static_cast<char>(point));
        } else if (point < 0x800) {
            out.push_back(static_cast<char>(0xC0 | point >> 6));
            out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else if (point < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | point >> 12));
            out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | point >> 18));
            out.push_back(static_cast<char>(0x80 | (point >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (point >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
        }
    }
    return out;
}
