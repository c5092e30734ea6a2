// Reads a whole installer (or companion program) with the Stub's package reader, checking
// every block and the structure of every record and line, and describes what it holds.
// Damage does not end the reading where the stream can still be followed: a block whose
// stored bytes fail their checksum is passed over when what comes next confirms that the
// block lengths still line up.
#pragma once
#include <functional>
#include <string>

#include "packwright/examine/ExaminedPackage.h"

struct ExamineCallbacks {
    std::function<void(const ExaminedFile& file, std::size_t index)> beginFile;
    // The decoded bytes of a file whose blocks have all been sound so far.
    std::function<void(const u8* data, u32 length)> fileData;
    // file.intact says whether every byte of it was given; also called for a file that
    // reading stopped inside of.
    std::function<void(const ExaminedFile& file, std::size_t index)> endFile;
    std::function<void(u64 blocksDone, u64 totalBlocks)> progress;
};

struct ExamineOptions {
    unsigned jobs = 1;       // threads that decode blocks; the results do not depend on it
    bool keepGoing = true;   // false: stop at the first damaged block
};

// Fills `out` as far as the installer can be read: problems, and the one that stopped the
// reading (out.stop), are in out. Throws ExamineError only when there is no package to read
// at all (no such file, no locator); callbacks may throw too.
void ExaminePackageInto(const std::string& path, ExaminedPackage& out, const ExamineCallbacks& callbacks = {},
                        const ExamineOptions& options = {});
ExaminedPackage ExaminePackage(const std::string& path, const ExamineCallbacks& callbacks = {},
                                const ExamineOptions& options = {});

const char* RunModeName(RunMode runMode);
