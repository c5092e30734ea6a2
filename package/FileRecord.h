// A FileRecord of the file section: the target path as a CountedString (an empty one ends
// the section), then 19 fixed bytes, then the file's DataBlocks up to and including the end
// marker.
#pragma once
#include "state/Types.h"

constexpr u32 FileRecordFixedSize = 19;

struct FileRecord {
    u16 BlockCount = 0;    // DataBlocks of the file, the end marker not counted
    u16 Version[4] = {};   // major, minor, build, revision; all 0: no version resource
    u64 Time = 0;          // last-write time as a FILETIME (100-ns units since 1601)
    bool Shared = false;   // counted in the system's shared-file registry values
};

// The 19 bytes: u16 BlockCount, 4 x u16 Version, u32 low and u32 high part of Time, u8
// shared flag (any value other than 0 means shared).
void ParseFileRecord(const u8* fixed, FileRecord* record);
void StoreFileRecord(u8* fixed, const FileRecord& record);

// Versions compare part by part, major first, as unsigned numbers: <0, 0 or >0.
int CompareVersions(const u16* a, const u16* b);
