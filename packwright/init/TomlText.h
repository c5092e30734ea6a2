// TOML spellings for the texts a drafted manifest writes.
#pragma once
#include <string>

// A TOML string holding `text`: a literal string ('...'), where backslashes stay as they
// are, whenever it can be one; otherwise a basic string with escapes.
std::string TomlString(const std::string& text);

// `name` as a glob segment that matches exactly that name: *, ? and [ in brackets.
std::string GlobLiteral(const std::string& name);
