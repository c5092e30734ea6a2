#include "packwright/try/TryReport.h"

namespace {
bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }
}  // namespace

std::string OutcomeOf(const Walk& walk, bool silent, std::optional<Question>* message) {
    // The installer's last word is its outcome message; the Uninstaller's questions come later.
    for (auto it = walk.questions.rbegin(); it != walk.questions.rend(); ++it) {
        const Question& q = *it;
        const char* outcome = q.caption == "Success!"             ? (Contains(q.text, "restart") ? "success_restart_needed" : "success")
                              : q.caption == "Restart Windows?"     ? "success_restart_needed"
                              : q.caption == "Installation Failed!" ? (Contains(q.text, "corrupted") ? "corrupted" : "failed")
                              : q.caption == "Cancelled!"           ? "cancelled"
                                                                    : nullptr;
        if (outcome) {
            *message = q;
            return outcome;
        }
    }
    // Run silently, the installer tells its outcome through its exit code alone.
    if (silent && walk.exitCode) {
        switch (*walk.exitCode) {
            case 0: return "success";
            case 3010: return "success_restart_needed";
            case 1602: return "cancelled";
            case 1603: return "failed";
        }
    }
    return "none";
}
