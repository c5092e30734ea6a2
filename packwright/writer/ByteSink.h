// Where the writer's bytes go: memory for tests, volume files for real installers.
#pragma once
#include <cstddef>

#include "packwright/encoder/BlockEncoder.h"

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const u8* data, std::size_t length) = 0;
    void Write(const ByteVector& bytes) { Write(bytes.data(), bytes.size()); }
};

// Collects everything in memory.
class MemorySink : public ByteSink {
public:
    void Write(const u8* data, std::size_t length) override { bytes.insert(bytes.end(), data, data + length); }
    using ByteSink::Write;
    ByteVector bytes;
};
