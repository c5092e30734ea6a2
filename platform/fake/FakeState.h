// What the fake platform's source files share with each other.
#pragma once
#include <string>

namespace fake_state {
void ResetFiles();
void ResetProcess();
void ResetDialogs();
void ResetWindow();
bool ConsumeReadFailure();
void RecordCall(const std::string& call);
}  // namespace fake_state
