#include "install/RunAccount.h"

#include <cstring>

#include "platform/Files.h"
#include "state/Text.h"

namespace {
FileHandle g_account = nullptr;

void Put(const char* text) {
    u32 written = 0;
    PlatformWrite(g_account, text, static_cast<u32>(std::strlen(text)), &written);
}
}  // namespace

void OpenRunAccount(const char* path) { g_account = PlatformCreateForWrite(path); }

void AccountLine(const char* what, const char* text) {
    if (!g_account) return;
    Put(what);
    Put(" ");
    Put(text);
    Put("\r\n");
}

void AccountNumber(const char* what, int number) {
    char digits[24];
    FormatUnsigned(digits, static_cast<u32>(number), 1);
    AccountLine(what, digits);
}
