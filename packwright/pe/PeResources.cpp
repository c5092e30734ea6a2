#include "packwright/pe/PeResources.h"

namespace {

constexpr u32 ResourceDirectoryIndex = 2;

class Image {
public:
    Image(const u8* data, std::size_t size) : data_(data), size_(size) {}
    bool Has(u64 offset, u64 length) const { return offset <= size_ && length <= size_ - offset; }
    u16 U16(u64 offset) const { return LoadU16(data_ + offset); }
    u32 U32(u64 offset) const { return LoadU32(data_ + offset); }

private:
    const u8* data_;
    std::size_t size_;
};

struct Section {
    u32 virtualAddress, virtualSize, rawOffset, rawSize;
};

// Where an address of the loaded image lies in the file; false when in no section's data.
bool FileOffsetOf(const Image& image, u64 sectionTable, u32 sectionCount, u32 rva, u32 length, u64* offset) {
    for (u32 i = 0; i < sectionCount; ++i) {
        u64 at = sectionTable + 40ull * i;
        if (!image.Has(at, 40)) return false;
        Section s{image.U32(at + 12), image.U32(at + 8), image.U32(at + 20), image.U32(at + 16)};
        u64 span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
        u64 within = rva - s.virtualAddress;
        if (within + length > s.rawSize) return false;  // lies in the zero-filled tail
        *offset = s.rawOffset + within;
        return image.Has(*offset, length);
    }
    return false;
}

// The entry of a resource directory with the given id, or the first entry when id is none.
// Returns the entry's target offset (relative to the resource root) and whether it is a
// sub-directory.
bool FindResourceEntry(const Image& image, u64 root, u64 directory, const u32* id, u32* target, bool* isDirectory) {
    if (!image.Has(directory, 16)) return false;
    u32 count = static_cast<u32>(image.U16(directory + 12)) + image.U16(directory + 14);
    for (u32 i = 0; i < count; ++i) {
        u64 entry = directory + 16 + 8ull * i;
        if (!image.Has(entry, 8)) return false;
        u32 name = image.U32(entry);
        if (id && ((name & 0x80000000u) || name != *id)) continue;
        u32 value = image.U32(entry + 4);
        *isDirectory = (value & 0x80000000u) != 0;
        *target = value & 0x7FFFFFFFu;
        return image.Has(root + *target, *isDirectory ? 16 : 8);
    }
    return false;
}

}  // namespace

std::optional<ResourceBytes> FindResource(const u8* data, std::size_t size, u32 type) {
    Image image(data, size);
    if (!image.Has(0, 64) || data[0] != 'M' || data[1] != 'Z') return std::nullopt;
    u64 pe = image.U32(0x3C);
    if (!image.Has(pe, 24) || image.U32(pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
    u32 sectionCount = image.U16(pe + 6);
    u32 optionalSize = image.U16(pe + 20);
    u64 optional = pe + 24;
    if (!image.Has(optional, optionalSize) || optionalSize < 2) return std::nullopt;
    u16 magic = image.U16(optional);
    u64 countField, directories;
    if (magic == 0x10B) countField = 92, directories = 96;        // 32-bit image
    else if (magic == 0x20B) countField = 108, directories = 112;  // 64-bit image
    else return std::nullopt;
    if (optionalSize < directories + 8 * (ResourceDirectoryIndex + 1)) return std::nullopt;
    if (image.U32(optional + countField) <= ResourceDirectoryIndex) return std::nullopt;
    u32 resourceRva = image.U32(optional + directories + 8 * ResourceDirectoryIndex);
    u32 resourceSize = image.U32(optional + directories + 8 * ResourceDirectoryIndex + 4);
    u64 sectionTable = optional + optionalSize;
    u64 root;
    if (resourceRva == 0 || resourceSize < 16) return std::nullopt;
    if (!FileOffsetOf(image, sectionTable, sectionCount, resourceRva, 16, &root)) return std::nullopt;

    // The type, then its first name, then the first language: a data entry.
    u32 target;
    bool isDirectory;
    if (!FindResourceEntry(image, root, root, &type, &target, &isDirectory) || !isDirectory) return std::nullopt;
    if (!FindResourceEntry(image, root, root + target, nullptr, &target, &isDirectory) || !isDirectory) return std::nullopt;
    if (!FindResourceEntry(image, root, root + target, nullptr, &target, &isDirectory) || isDirectory) return std::nullopt;
    u32 dataRva = image.U32(root + target);
    u32 dataSize = image.U32(root + target + 4);
    u64 block;
    if (!FileOffsetOf(image, sectionTable, sectionCount, dataRva, dataSize, &block)) return std::nullopt;
    return ResourceBytes{static_cast<std::size_t>(block), dataSize};
}
