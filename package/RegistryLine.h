// A line of the registry section (at most 255 bytes; an empty line ends the section):
//   ":" ROOT "\" sub key   selects and creates a key; ROOT is HKEY_CLASSES_ROOT,
//                          HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE in any letter case
//   name "=" T data        sets a value of the selected key; "@" names the default value
//   anything else          no registry effect
// T is one type byte: B (u16 length, then that many bytes), D (4 bytes, little-endian), N
// (no value, the name is still logged) or any other byte (text up to the line's end or its
// first 0 byte; the examples use S). The installer reads the name and finds the "=" as in a
// C string, but takes the data from the raw line, so binary data may hold 0 bytes.
#pragma once
#include "state/Types.h"

enum class RegistryRoot : u8 { None, ClassesRoot, CurrentUser, LocalMachine };

// The root's predefined handle value (0x80000000 ...), 0 for None.
u32 RegistryRootHandle(RegistryRoot root);
const char* RegistryRootName(RegistryRoot root);  // "HKEY_LOCAL_MACHINE" ...

// Matches the text after a key line's ":" against the three roots with their backslash,
// ignoring case; on a match *subKey points after the backslash.
RegistryRoot MatchRegistryRoot(const char* text, const char** subKey);

enum class RegistryLineKind : u8 {
    End,      // the empty line
    Key,      // a key line with a known root
    BadKey,   // a key line whose root is none of the three: ignored, not logged
    Value,    // name "=" T data
    Other,    // no "=": logged as it stands
};

enum class RegistryValueType : u8 { String, Dword, Binary, NameOnly };

struct RegistryLine {
    RegistryLineKind kind = RegistryLineKind::End;
    // Key lines:
    RegistryRoot root = RegistryRoot::None;
    const char* subKey = nullptr;  // NUL-terminated, inside the line
    // Value lines:
    u32 nameLength = 0;     // the name is the line's first nameLength bytes
    bool isDefault = false;  // the name is "@"
    bool hasType = false;    // a byte follows the "="
    u8 typeByte = 0;         // as stored
    RegistryValueType type = RegistryValueType::String;
    bool hasLength = false;  // Binary: the two length bytes are there
    const u8* data = nullptr;  // after the type byte, or after a B value's length
    u32 dataLength = 0;        // String: up to the first 0 byte; Dword: 4; Binary: the claimed length
    u32 heldLength = 0;        // bytes the line really holds from data on
};

// Reads one line of `length` raw bytes; line[length] must be 0. The line's data may claim
// more bytes than it holds (see RegistryLineFault).
void ParseRegistryLine(const u8* line, u32 length, RegistryLine* out);

enum class RegistryLineFault : u8 {
    None,
    NoTypeByte,      // "=" ends the line
    ShortDword,      // fewer than 4 bytes after D
    NoBinaryLength,  // fewer than 2 bytes after B
    ShortBinary,     // B claims more bytes than follow
};

// What the installer would read past the end of the line for; None for every line it reads
// in full (key lines and other lines included).
RegistryLineFault CheckRegistryLine(const RegistryLine& line);
