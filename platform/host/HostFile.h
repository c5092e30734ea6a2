// Plain file reading on Linux for the packwright tool: a read-only file that refuses
// anything but a regular file (a pipe would wait for a writer that never comes).
#pragma once
#include <string>

#include "state/Types.h"

class HostFile {
public:
    HostFile() = default;
    ~HostFile() { Close(); }
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    // False when the path cannot be opened or is not a regular file; errno says why.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // Reads up to count bytes; false on a read error. *got is 0 at the end of the file.
    bool Read(void* buffer, u32 count, u32* got);
    bool Seek(u64 offset);
    u64 Size() const;
    u64 Position() const { return position_; }

private:
    int fd_ = -1;
    u64 position_ = 0;
};
