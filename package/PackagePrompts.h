// The three moments a PackageReader needs someone to decide: a volume that is missing, one
// that is damaged, and a read that failed. The Stub asks the user; tools turn each into an
// error that says exactly what is wrong.
#pragma once
#include "state/Types.h"

enum class PackagePrompt : u8 {
    NextDisk,   // the volume's file cannot be opened
    Damaged,    // its size differs from its ExpectedSize, or that field cannot be read
    ReadError,  // reading failed
};

struct VolumeProblem {
    PackagePrompt prompt;
    u32 volumeIndex;   // the volume being opened or read (0: the executable)
    const char* path;  // its full path
    u32 offset;        // Damaged: where its ExpectedSize stands; ReadError: where the read began
    bool sizeFieldRead;  // Damaged: false when the ExpectedSize field itself could not be read
    u32 expectedSize;    // Damaged: the size the volume records
    u32 actualSize;      // Damaged: the size of the file
};

class PromptHandler {
public:
    // True to try again (OK on the next-disk prompt, Retry on the others), false to give up.
    virtual bool Ask(const VolumeProblem& problem) = 0;
    // A failed read was given up: the reader returns -1 after this.
    virtual void ReadGivenUp() = 0;
    // The next volume could not be had in the middle of a read. The Stub ends the process
    // here; a handler that returns makes the read fail like a given-up one.
    virtual void SwitchFailed() = 0;
    // A read went past the end of a Package that has no further volumes (a companion
    // program's). The read fails, and so does every later one.
    virtual void StreamEnded() { SwitchFailed(); }

protected:
    ~PromptHandler() = default;
};
