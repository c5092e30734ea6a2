#include "shell/CommandLine.h"

#include <cstring>

namespace {
const char Step2Switch[] = "/step2";

// Every switch's name in lower case, each followed by its id (a byte below ' '); "=" ends
// the name of a switch that takes a value.
enum : u8 { SilentId = 1, VerySilentId, NoRestartId, Step2Id, DirId, LastDirId, GroupId, PasswordId, LogId };
const char SwitchNames[] = "silent\1verysilent\2s\2norestart\3step2\4dir=\5d=\6group=\7password=\10log=\11";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The id of the switch whose name stands at p (after its "/") and ends before end; 0 when
// unknown.
u8 FindSwitch(const char* p, const char* end) {
    for (const char* name = SwitchNames; *name; ++name) {
        const char* q = p;
        while (q < end && Lower(*q) == *name) ++q, ++name;
        if (q == end && static_cast<u8>(*name) < ' ') return static_cast<u8>(*name);
        while (static_cast<u8>(*name) >= ' ') ++name;
    }
    return 0;
}

// Where the switch after a value starting at p begins: the "/" of the next " /", or the end.
char* NextSwitch(char* p) {
    for (; *p; ++p)
        if (IsBlank(*p) && p[1] == '/') return p + 1;
    return p;
}

// Cuts the value that starts at p and returns where the text after it starts, or null when
// the value is empty or malformed. A quoted value ends at its closing quote.
char* CutValue(char* p, bool rest, const char** value) {
    bool quoted = *p == '"';
    p += quoted;
    *value = p;
    char* end = quoted ? std::strchr(p, '"') : rest ? p + std::strlen(p) : NextSwitch(p);
    if (!end) return nullptr;
    char* next = end + quoted;
    while (!quoted && end > p && IsBlank(end[-1])) --end;
    while (IsBlank(*next)) ++next;
    if ((*next && *next != '/') || end == p) return nullptr;
    *end = 0;
    return next;
}

// Appends text at *at, keeping room for the terminating NUL; false when it does not fit.
bool Append(char* out, u32 capacity, u32* at, const char* text, u32 length) {
    if (*at + length >= capacity) return false;
    std::memcpy(out + *at, text, length);
    *at += length;
    out[*at] = 0;
    return true;
}
}  // namespace

const char* CommandLineTail(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && !IsControlOrBlank(*p)) ++p;
    }
    while (IsBlank(*p)) ++p;
    return p;
}

bool IsStep2Switch(const char* tail) {
    u32 i = 0;
    for (; Step2Switch[i]; ++i)
        if (Lower(tail[i]) != Step2Switch[i]) return false;
    return tail[i] == 0;
}

bool TemporaryCopyPath(const char* modulePath, const char* tempDirectory, char* out, u32 capacity) {
    const char* filePart = std::strrchr(modulePath, '\\');
    u32 directoryLength = static_cast<u32>(std::strlen(tempDirectory));
    if (directoryLength && tempDirectory[directoryLength - 1] == '\\') --directoryLength;
    u32 at = 0;
    if (capacity == 0) return false;
    out[0] = 0;
    if (!Append(out, capacity, &at, tempDirectory, directoryLength)) return false;
    // A path without any backslash still gets exactly one between directory and name.
    if (!filePart && !Append(out, capacity, &at, "\\", 1)) return false;
    const char* name = filePart ? filePart : modulePath;
    return Append(out, capacity, &at, name, static_cast<u32>(std::strlen(name)));
}

bool TemporaryFolderPath(const char* tempDirectory, u32 number, char* out, u32 capacity) {
    char name[12] = "\\~ZS";
    for (int i = 0; i < 8; ++i) name[4 + i] = "0123456789ABCDEF"[number >> (28 - 4 * i) & 0xF];
    u32 directoryLength = static_cast<u32>(std::strlen(tempDirectory));
    if (directoryLength && tempDirectory[directoryLength - 1] == '\\') --directoryLength;
    u32 at = 0;
    if (capacity == 0) return false;
    out[0] = 0;
    return Append(out, capacity, &at, tempDirectory, directoryLength) && Append(out, capacity, &at, name, sizeof name);
}

bool Step2CommandLine(const char* copyPath, char* out, u32 capacity, bool quiet) {
    u32 at = 0;
    if (capacity == 0) return false;
    out[0] = 0;
    return Append(out, capacity, &at, "\"", 1) &&
           Append(out, capacity, &at, copyPath, static_cast<u32>(std::strlen(copyPath))) &&
           Append(out, capacity, &at, "\" ", 2) && Append(out, capacity, &at, Step2Switch, sizeof Step2Switch - 1) &&
           (!quiet || Append(out, capacity, &at, " /S", 3));
}

bool ParseSwitches(char* tail, RunOptions* options) {
    u32 seen = 0;
    char* p = tail;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) return true;
        if (*p++ != '/') return false;
        char* end = p;
        while (*end && !IsBlank(*end) && *end++ != '=') {
        }
        u8 id = FindSwitch(p, end);
        // Synonyms share one bit, so that they too count as given twice.
        u32 bit = 1u << (id - (id == VerySilentId || id == LastDirId));
        if (!id || (seen & bit)) return false;
        seen |= bit;
        p = end;
        if (id == SilentId) options->quiet = Quietness::Silent;
        if (id == VerySilentId) options->quiet = Quietness::VerySilent;
        if (id == NoRestartId) options->noRestart = true;
        if (id == Step2Id) options->step2 = true;
        if (id < DirId) continue;
        const char** value = id <= LastDirId   ? &options->dir
                             : id == GroupId    ? &options->group
                             : id == PasswordId ? &options->password
                                                : &options->log;
        p = CutValue(end, id == LastDirId, value);
        if (!p) return false;
    }
}
