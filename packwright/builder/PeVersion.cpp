#include "packwright/builder/PeVersion.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr u32 ResourceDirectoryIndex = 2;
constexpr u32 VersionResourceType = 16;  // RT_VERSION
constexpr u32 FixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t FixedInfoSize = 52;

// Bounds-checked reads over the file image: every offset comes from the file itself.
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

// The VS_VERSIONINFO block: a header of three u16, the UTF-16 key "VS_VERSION_INFO" and its
// NUL, padding to a 4-byte boundary, then the fixed information.
bool ReadFixedInfo(const Image& image, u64 block, u32 blockSize, FileVersion* version) {
    static const char Key[] = "VS_VERSION_INFO";
    constexpr u64 keyEnd = 6 + 2 * sizeof Key;  // the key's NUL included
    u64 fixed = (keyEnd + 3) & ~3ull;
    if (blockSize < fixed + FixedInfoSize || !image.Has(block, fixed + FixedInfoSize)) return false;
    u16 length = image.U16(block);
    u16 valueLength = image.U16(block + 2);
    if (length < fixed + FixedInfoSize || valueLength < FixedInfoSize) return false;
    for (std::size_t i = 0; i < sizeof Key; ++i)
        if (image.U16(block + 6 + 2 * i) != static_cast<u8>(Key[i])) return false;
    if (image.U32(block + fixed) != FixedInfoSignature) return false;
    u32 ms = image.U32(block + fixed + 8);
    u32 ls = image.U32(block + fixed + 12);
    *version = {static_cast<u16>(ms >> 16), static_cast<u16>(ms), static_cast<u16>(ls >> 16), static_cast<u16>(ls)};
    return true;
}

}  // namespace

FileVersion ReadPeFileVersion(const u8* data, std::size_t size) {
    FileVersion version;
    Image image(data, size);
    if (!image.Has(0, 64) || data[0] != 'M' || data[1] != 'Z') return version;
    u64 pe = image.U32(0x3C);
    if (!image.Has(pe, 24) || image.U32(pe) != 0x00004550) return version;  // "PE\0\0"
    u32 sectionCount = image.U16(pe + 6);
    u32 optionalSize = image.U16(pe + 20);
    u64 optional = pe + 24;
    if (!image.Has(optional, optionalSize) || optionalSize < 2) return version;
    u16 magic = image.U16(optional);
    u64 countField, directories;
    if (magic == 0x10B) countField = 92, directories = 96;        // 32-bit image
    else if (magic == 0x20B) countField = 108, directories = 112;  // 64-bit image
    else return version;
    if (optionalSize < directories + 8 * (ResourceDirectoryIndex + 1)) return version;
    if (image.U32(optional + countField) <= ResourceDirectoryIndex) return version;
    u32 resourceRva = image.U32(optional + directories + 8 * ResourceDirectoryIndex);
    u32 resourceSize = image.U32(optional + directories + 8 * ResourceDirectoryIndex + 4);
    u64 sectionTable = optional + optionalSize;
    u64 root;
    if (resourceRva == 0 || resourceSize < 16) return version;
    if (!FileOffsetOf(image, sectionTable, sectionCount, resourceRva, 16, &root)) return version;

    // Type RT_VERSION, then the first name, then the first language: a data entry.
    u32 target;
    bool isDirectory;
    if (!FindResourceEntry(image, root, root, &VersionResourceType, &target, &isDirectory) || !isDirectory) return version;
    if (!FindResourceEntry(image, root, root + target, nullptr, &target, &isDirectory) || !isDirectory) return version;
    if (!FindResourceEntry(image, root, root + target, nullptr, &target, &isDirectory) || isDirectory) return version;
    u32 dataRva = image.U32(root + target);
    u32 dataSize = image.U32(root + target + 4);
    u64 block;
    if (!FileOffsetOf(image, sectionTable, sectionCount, dataRva, dataSize, &block)) return version;
    FileVersion found;
    if (ReadFixedInfo(image, block, dataSize, &found)) version = found;
    return version;
}

FileVersion ReadPeFileVersionOf(const std::string& path) {
    FileVersion version;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return version;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        std::size_t size = static_cast<std::size_t>(st.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            version = ReadPeFileVersion(static_cast<const u8*>(map), size);
            ::munmap(map, size);
        }
    }
    ::close(fd);
    return version;
}
