#include "packwright/builder/PackageLines.h"

#include <strings.h>

#include "package/PathMacroTokens.h"
#include "package/ShortcutLine.h"

namespace {
bool MacroAt(const std::string& text, std::size_t at) { return MatchPathMacro(text.c_str() + at) != nullptr; }
}  // namespace

std::string ShortcutLine(const ManifestShortcut& s) {
    return s.link + ShortcutLinkEnd + s.target + ShortcutPartSeparator + s.arguments + ShortcutPartSeparator + s.workingDir;
}

std::string RegistryKeyLine(const ManifestRegistryKey& k) { return ":" + k.key; }

std::string RegistryValueLine(const ManifestRegistryValue& v) {
    std::string line = v.name + "=";
    switch (v.kind) {
        case RegistryValueKind::String:
            return line + "S" + v.text;
        case RegistryValueKind::Dword:
            line += 'D';
            for (int i = 0; i < 4; ++i) line += static_cast<char>((v.dword >> (8 * i)) & 0xFF);
            return line;
        case RegistryValueKind::Binary:
            line += 'B';
            line += static_cast<char>(v.data.size() & 0xFF);
            line += static_cast<char>((v.data.size() >> 8) & 0xFF);
            return line + std::string(v.data.begin(), v.data.end());
        case RegistryValueKind::NameOnly:
            return line + "N";
    }
    return line;
}

bool StartsWithKnownMacro(const std::string& text) { return !text.empty() && text[0] == '{' && MacroAt(text, 0); }

bool IsBareMacro(const std::string& text) {
    return StartsWithKnownMacro(text) && text.back() == '}' && text.find('}') == text.size() - 1;
}

std::string UnknownMacroToken(const std::string& text) {
    std::size_t open = text.find('{');
    if (open == std::string::npos || MacroAt(text, open)) return "";
    std::size_t close = text.find('}', open);
    return text.substr(open, close == std::string::npos ? std::string::npos : close - open + 1);
}

bool UsesMacro(const std::string& text, const std::string& macro) {
    // Only the first "{" is ever expanded.
    std::size_t open = text.find('{');
    return open != std::string::npos && strncasecmp(text.c_str() + open, macro.c_str(), macro.size()) == 0;
}
