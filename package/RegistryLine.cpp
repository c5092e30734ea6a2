#include "package/RegistryLine.h"

namespace {
struct RootName {
    const char* text;  // with its backslash
    u32 length;
    RegistryRoot root;
};
// Tried in this order, as the installer and the uninstaller both do.
const RootName Roots[] = {{"HKEY_CLASSES_ROOT\\", 18, RegistryRoot::ClassesRoot},
                          {"HKEY_CURRENT_USER\\", 18, RegistryRoot::CurrentUser},
                          {"HKEY_LOCAL_MACHINE\\", 19, RegistryRoot::LocalMachine}};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool StartsWithIgnoringCase(const char* text, const char* prefix, u32 length) {
    for (u32 i = 0; i < length; ++i)
        if (Upper(text[i]) != prefix[i]) return false;  // a shorter text stops at its NUL
    return true;
}
}  // namespace

u32 RegistryRootHandle(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot: return 0x80000000u;
        case RegistryRoot::CurrentUser: return 0x80000001u;
        case RegistryRoot::LocalMachine: return 0x80000002u;
        default: return 0;
    }
}

const char* RegistryRootName(RegistryRoot root) {
    for (const RootName& r : Roots)
        if (r.root == root) return r.text;  // callers print it without the backslash
    return "";
}

RegistryRoot MatchRegistryRoot(const char* text, const char** subKey) {
    for (const RootName& r : Roots) {
        if (StartsWithIgnoringCase(text, r.text, r.length)) {
            *subKey = text + r.length;
            return r.root;
        }
    }
    return RegistryRoot::None;
}

void ParseRegistryLine(const u8* line, u32 length, RegistryLine* out) {
    *out = RegistryLine();
    const char* text = reinterpret_cast<const char*>(line);
    if (length == 0 || text[0] == 0) return;
    if (text[0] == ':') {
        out->root = MatchRegistryRoot(text + 1, &out->subKey);
        out->kind = out->root == RegistryRoot::None ? RegistryLineKind::BadKey : RegistryLineKind::Key;
        return;
    }
    u32 equals = 0;
    while (text[equals] && text[equals] != '=') ++equals;
    if (text[equals] != '=') {
        out->kind = RegistryLineKind::Other;
        return;
    }
    out->kind = RegistryLineKind::Value;
    out->nameLength = equals;
    out->isDefault = equals == 1 && text[0] == '@';
    u32 typeAt = equals + 1;
    out->hasType = typeAt < length;
    if (!out->hasType) return;  // read as a string value that is empty
    out->typeByte = line[typeAt];
    out->data = line + typeAt + 1;
    out->heldLength = length - typeAt - 1;
    switch (out->typeByte) {
        case 'B':
            out->type = RegistryValueType::Binary;
            out->hasLength = out->heldLength >= 2;
            if (out->hasLength) {
                out->dataLength = LoadU16(out->data);
                out->data += 2;
                out->heldLength -= 2;
            }
            break;
        case 'D':
            out->type = RegistryValueType::Dword;
            out->dataLength = 4;
            break;
        case 'N':
            out->type = RegistryValueType::NameOnly;
            break;
        default: {
            u32 n = 0;
            while (n < out->heldLength && out->data[n]) ++n;
            out->dataLength = n;
        }
    }
}

RegistryLineFault CheckRegistryLine(const RegistryLine& line) {
    if (line.kind != RegistryLineKind::Value) return RegistryLineFault::None;
    if (!line.hasType) return RegistryLineFault::NoTypeByte;
    if (line.type == RegistryValueType::Dword && line.heldLength < 4) return RegistryLineFault::ShortDword;
    if (line.type == RegistryValueType::Binary) {
        if (!line.hasLength) return RegistryLineFault::NoBinaryLength;
        if (line.dataLength > line.heldLength) return RegistryLineFault::ShortBinary;
    }
    return RegistryLineFault::None;
}
