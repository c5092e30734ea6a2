// Shared helpers for the unit tests: temporary folders, files, and a fresh host "process".
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "state/Types.h"

using Bytes = std::vector<u8>;

// A temporary folder removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes ReadFileBytes(const std::string& path);
Bytes HexBytes(const std::string& hex);  // "01 FA 09" -> bytes
void AppendU16(Bytes& out, u16 v);
void AppendU32(Bytes& out, u32 v);

// Resets SetupState, the Stub's package reader and the fake platform before each test.
class HostProcessTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Makes `path` the running executable with its Package at `offset`.
    void RunAs(const std::string& path, u32 offset);
};
