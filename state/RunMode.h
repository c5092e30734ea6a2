// The Package's mode byte: which of its three roles the Stub plays.
#pragma once

// Stored as the signed byte the Package carries: any value other than Uninstall and
// Finalize installs, and values other than Install read a companion header.
enum class RunMode : signed char { Install = 0, Uninstall = 1, Finalize = 2 };

inline RunMode RunModeFromByte(unsigned char byte) { return static_cast<RunMode>(static_cast<signed char>(byte)); }
inline int RunModeValue(RunMode mode) { return static_cast<signed char>(mode); }
