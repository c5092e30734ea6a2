// What the fake platform's source files share with each other.
#pragma once
#include <string>

#include "platform/Dialogs.h"
#include "platform/Window.h"

namespace fake_state {
void ResetFiles();
void ResetProcess();
void ResetDialogs();
void ResetWindow();
void ResetControls();
void ResetWizard();
void ResetRegistry();
void ResetShell();
void ResetSystem();
void JoinThreads();
bool ConsumeReadFailure();
bool CopiesFail();
void RecordCall(const std::string& call);
WindowRect BackgroundClientRect();
// A dialog-like window the fake makes itself (a wizard's sheet and its pages): it is listed
// among the shown dialogs, keeps what is posted to it, and gets nothing delivered unless the
// maker delivers it.
WindowHandle NewDialogWindow(WindowHandle parent, int templateId, DialogHandler handler);
// Takes the oldest message posted to such a window; false when there is none.
bool TakePosted(WindowHandle window, unsigned* message, uptr* wParam, iptr* lParam);
void SetWindowRect(WindowHandle window, WindowRect rect);
}  // namespace fake_state
