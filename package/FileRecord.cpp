#include "package/FileRecord.h"

void ParseFileRecord(const u8* fixed, FileRecord* record) {
    record->BlockCount = LoadU16(fixed);
    for (int i = 0; i < 4; ++i) record->Version[i] = LoadU16(fixed + 2 + 2 * i);
    record->Time = LoadU32(fixed + 10) | (static_cast<u64>(LoadU32(fixed + 14)) << 32);
    record->Shared = fixed[18] != 0;
}

void StoreFileRecord(u8* fixed, const FileRecord& record) {
    StoreU16(fixed, record.BlockCount);
    for (int i = 0; i < 4; ++i) StoreU16(fixed + 2 + 2 * i, record.Version[i]);
    StoreU32(fixed + 10, static_cast<u32>(record.Time));
    StoreU32(fixed + 14, static_cast<u32>(record.Time >> 32));
    fixed[18] = record.Shared ? 1 : 0;
}

int CompareVersions(const u16* a, const u16* b) {
    for (int i = 0; i < 4; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}
