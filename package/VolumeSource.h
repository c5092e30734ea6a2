// Where a PackageReader gets its bytes: the running executable and the volume files beside
// it, opened one at a time by path.
#pragma once
#include "state/Types.h"

class VolumeSource {
public:
    // Path of volume 0, the executable; false when it cannot be had or does not fit.
    virtual bool ExecutablePath(char* out, u32 capacity) = 0;
    // The PackageOffset recorded in the executable's locator (0: no Package).
    virtual u32 PackageOffset() = 0;
    // Opens a volume for sequential reading, closing any open one first; false on failure.
    virtual bool Open(const char* path) = 0;
    virtual void Seek(u32 offset) = 0;
    // Reads up to count bytes; false on a read error. *got is 0 at the end of the file.
    virtual bool Read(void* buffer, u32 count, u32* got) = 0;
    // Size of the whole open file.
    virtual u32 Size() = 0;
    virtual void Close() = 0;

protected:
    ~VolumeSource() = default;
};
