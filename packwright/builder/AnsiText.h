// Texts in the manifest are Unicode (UTF-8); the installer shows single-byte text in the
// Windows ANSI code page and compares the password byte for byte. The builder stores
// Windows-1252, the Western European code page, so "Café ©" reads right on the user's screen.
#pragma once
#include <string>

enum class AnsiResult { Converted, NotUtf8, Unrepresentable };

// Converts UTF-8 text to Windows-1252. For a character 1252 lacks, *bad names it ("U+4E2D");
// *out is only written on success.
AnsiResult Utf8ToWindows1252(const std::string& utf8, std::string* out, std::string* bad);
