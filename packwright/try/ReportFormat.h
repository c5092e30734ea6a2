// Shared by the text and JSON reports.
#pragma once
#include <string>

// ISO 8601 UTC, to the second, of nanoseconds since 1970.
std::string IsoTime(long long nanoseconds);
