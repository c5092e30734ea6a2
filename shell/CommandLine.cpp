#include "shell/CommandLine.h"

#include <cstring>

namespace {
const char Step2Switch[] = "/step2";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

bool Step2CommandLine(const char* copyPath, char* out, u32 capacity) {
    u32 at = 0;
    if (capacity == 0) return false;
    out[0] = 0;
    return Append(out, capacity, &at, "\"", 1) &&
           Append(out, capacity, &at, copyPath, static_cast<u32>(std::strlen(copyPath))) &&
           Append(out, capacity, &at, "\" ", 2) && Append(out, capacity, &at, Step2Switch, sizeof Step2Switch - 1);
}
