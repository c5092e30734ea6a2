// The mode byte and header at the start of the Package stream, read into SetupState.
#pragma once

// Reads RunMode and the install or companion header. False when the install header's block
// fails its checks or is too short for its fields (Corrupted is then set): such a Package
// cannot be trusted to install anything.
bool ReadPackageHeader();

// Parses decoded install-header bytes into SetupState; false when they are too short.
bool ParseInstallHeader(const unsigned char* bytes, unsigned length);
