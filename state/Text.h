// Small text helpers. The Stub avoids the printf family, which would cost it about 30 KiB.
#pragma once
#include "state/Types.h"

// Copies format into out (capacity bytes, always terminated), with the first "%s" replaced
// by argument. Text that does not fit is cut.
void FormatWithString(char* out, u32 capacity, const char* format, const char* argument);

// Decimal digits of value, at least minDigits of them (zero-padded); returns the length.
u32 FormatUnsigned(char* out, u64 value, u32 minDigits);
