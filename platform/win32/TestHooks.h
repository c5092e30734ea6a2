// Observation points for the end-to-end tests. Only the test build of the Stub (compiled
// with PACKWRIGHT_TEST_BUILD) acts on them; in the shipped Stub they compile to nothing.
//
// The test build reads these environment variables:
//   PACKWRIGHT_TEST_TRACE       a file to which each event is appended as one line:
//                               "<process id> <tick count> <event> <value>"
//   PACKWRIGHT_TEST_UNHARDENED  "1": library loading is left to the system's default search
//   PACKWRIGHT_TEST_LINGER_MS   how long a process that started its temporary copy waits
//                               before it ends, so a test can see the copy wait for it
//   PACKWRIGHT_TEST_FOLDER_NUMBER  the first number an Uninstaller tries for the name of
//                               the folder of its temporary copy (decimal), so a test can
//                               make that folder beforehand
//   PACKWRIGHT_TEST_HOLD        "1": the start message is traced but no handler runs, so the
//                               bare BackgroundWindow stays until a test closes it
//   PACKWRIGHT_TEST_INSTALL     "1": the install handler runs the progress dialog with the
//                               header's defaults and traces the outcome, without a wizard;
//                               "decode": it only reads and decodes the file section (the
//                               benchmark's measure of decoding alone)
#pragma once
#include "state/Types.h"

#ifdef PACKWRIGHT_TEST_BUILD
void TraceEvent(const char* event, u32 value);
void TraceText(const char* event, const char* text);
void TraceMessage(unsigned message);
bool TestHardeningDisabled();
void TestLinger();
bool TestFolderNumber(u32* number);
bool TestHoldStart(unsigned message);
bool TestInstallWithDefaults();
bool TestDecodeOnly();
#else
inline void TraceEvent(const char*, u32) {}
inline void TraceText(const char*, const char*) {}
inline void TraceMessage(unsigned) {}
inline bool TestHardeningDisabled() { return false; }
inline void TestLinger() {}
inline bool TestFolderNumber(u32*) { return false; }
inline bool TestHoldStart(unsigned) { return false; }
inline bool TestInstallWithDefaults() { return false; }
inline bool TestDecodeOnly() { return false; }
#endif
