// What the fake platform's source files share with each other.
#pragma once
#include <string>

#include "platform/Window.h"

namespace fake_state {
void ResetFiles();
void ResetProcess();
void ResetDialogs();
void ResetWindow();
void ResetControls();
void ResetRegistry();
void ResetShell();
void ResetSystem();
void JoinThreads();
bool ConsumeReadFailure();
bool CopiesFail();
void RecordCall(const std::string& call);
WindowRect BackgroundClientRect();
}  // namespace fake_state
