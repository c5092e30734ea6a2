// An executable's version resource as Windows shows it (product, publisher, version ...):
// where its strings and numbers lie, reading them, and filling them in place. The Stub ships
// with a version resource whose strings are fixed slots of blanks; the builder fills them for
// each product without moving a byte of the image, as it does with the package locator.
#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "state/Types.h"

// One string of the first string table: its key, where its value's UTF-16 units start, and
// how many of them it can hold before its closing NUL.
struct VersionString {
    std::string key;
    std::size_t valueOffset = 0;
    u32 capacity = 0;
};

struct VersionLayout {
    std::size_t fixedInfo = 0;  // VS_FIXEDFILEINFO
    std::vector<VersionString> strings;
};

// The layout of the image's version resource; nothing when it has none or it is malformed.
std::optional<VersionLayout> ReadVersionLayout(const u8* data, std::size_t size);

// A string's text up to its first NUL, as UTF-8.
std::string ReadVersionText(const u8* data, const VersionString& string);
// The file and product version numbers (major, minor, build, revision) of the fixed part.
std::array<u16, 4> ReadVersionNumbers(const u8* data, const VersionLayout& layout);

// The byte ranges (offset, length) that filling may change: every string's value and the
// version numbers. Everything else is the same in every installer built from one Stub.
std::vector<std::pair<std::size_t, std::size_t>> FilledVersionRanges(const VersionLayout& layout);

// What to put in: texts by key (UTF-8; a key the resource lacks is a problem) and the
// numbers for both the file and the product version.
struct VersionValues {
    std::vector<std::pair<std::string, std::string>> texts;
    std::array<u16, 4> numbers{};
};

// A text that does not fit its slot (or has none), in UTF-16 units.
struct VersionMisfit {
    std::string key;
    std::size_t length = 0;
    u32 capacity = 0;  // 0: the resource has no such string
};

// Fills the slots and the numbers; every slot's tail after the text is zeroed. Writes nothing
// and returns the misfits when any text does not fit.
std::vector<VersionMisfit> FillVersionResource(u8* data, const VersionLayout& layout, const VersionValues& values);

// UTF-8 to UTF-16 units and back (the manifest's texts are valid UTF-8; the resource's may be
// anything: unpaired surrogates become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
