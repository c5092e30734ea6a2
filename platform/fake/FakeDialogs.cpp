// Message boxes for tests: recorded, and answered by the test's handler or script.
#include <deque>

#include "platform/Dialogs.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
std::function<int(const ShownMessageBox&)> g_boxHandler;
std::deque<int> g_answers;
std::vector<ShownMessageBox> g_shown;
MessageBoxAnswerer g_answerer = nullptr;
}  // namespace

namespace fake_state {
void ResetDialogs() {
    g_boxHandler = nullptr;
    g_answers.clear();
    g_shown.clear();
    g_answerer = nullptr;
}
}  // namespace fake_state

namespace fake {
void SetMessageBoxHandler(std::function<int(const ShownMessageBox&)> handler) { g_boxHandler = std::move(handler); }
void QueueAnswers(std::vector<int> answers) { g_answers.insert(g_answers.end(), answers.begin(), answers.end()); }
const std::vector<ShownMessageBox>& ShownBoxes() { return g_shown; }
}  // namespace fake

void PlatformAnswerMessageBoxes(MessageBoxAnswerer answerer) { g_answerer = answerer; }

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
    if (g_answerer) return g_answerer(style);  // never shown, so never recorded
    g_shown.push_back({owner, text, caption ? caption : "", style});
    if (g_boxHandler) return g_boxHandler(g_shown.back());
    if (g_answers.empty()) return IdCancel;
    int answer = g_answers.front();
    g_answers.pop_front();
    return answer;
}
