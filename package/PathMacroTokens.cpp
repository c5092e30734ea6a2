#include "package/PathMacroTokens.h"

const PathMacroToken PathMacroTokens[9] = {
    {"{OurProgramDir}", 12, PathMacro::OurProgramDir},   {"{WinDir}", 8, PathMacro::WinDir},
    {"{WinSysDir}", 11, PathMacro::WinSysDir},           {"{WinDrive}", 10, PathMacro::WinDrive},
    {"{OurShortcutDir}", 13, PathMacro::OurShortcutDir}, {"{StartUp}", 9, PathMacro::StartUp},
    {"{StartMenu}", 11, PathMacro::StartMenu},           {"{StartPrograms}", 15, PathMacro::StartPrograms},
    {"{Desktop}", 9, PathMacro::Desktop},
};

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace

const PathMacroToken* MatchPathMacro(const char* text) {
    for (const PathMacroToken& t : PathMacroTokens) {
        u32 i = 0;
        while (i < t.compared && text[i] && Lower(text[i]) == Lower(t.token[i])) ++i;
        if (i == t.compared) return &t;
    }
    return nullptr;
}
