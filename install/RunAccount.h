// The account of a run that /LOG= asks for: a plain-text file with one line per thing done
// ("written PATH", "kept PATH", "put aside PATH.NewTemp", "shortcut LINK", "key KEY",
// "value NAME") and the outcome at the end. Without an open account every call does nothing.
#pragma once

// Creates (or replaces) the account file; nothing is written when that fails.
void OpenRunAccount(const char* path);
// Appends "what text" and a line end.
void AccountLine(const char* what, const char* text);
// Appends "what" and the number.
void AccountNumber(const char* what, int number);
