// The install password as the header stores it: the checksum of the typed text with the
// letters a to z upper-cased (no other byte changes), 1 in place of 0, which means "no
// password".
#pragma once
#include "state/Types.h"

// At most 255 characters are taken, as the password page reads them.
u32 PasswordChecksumOf(const char* text, u32 length);
