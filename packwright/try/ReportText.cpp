#include <ctime>

#include "packwright/try/ReportFormat.h"
#include "packwright/try/TryReport.h"

namespace {
class Text {
public:
    void Line(const std::string& line = "") { out_ += line + "\n"; }
    void Heading(const std::string& title, std::size_t count) {
        Line(title + " (" + std::to_string(count) + "):");
    }
    std::string out_;
};

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out + "\"";
}

void ValueLines(Text& t, const std::vector<AddedValue>& values, const std::string& indent) {
    for (const AddedValue& v : values) {
        std::string line = indent + (v.name == "@" ? "(default)" : v.name) + "  " + v.value.type + "  " + Quote(v.value.data);
        if (v.before) line += "  (was " + Quote(v.before->data) + ")";
        t.Line(line);
    }
}

void ChangeLines(Text& t, const Changes& c, const std::string& indent) {
    if (!c.files.empty()) t.Heading(indent + "Files", c.files.size());
    for (const AddedFile& f : c.files)
        t.Line(indent + "  " + f.path + "  " + std::to_string(f.file.size) + " bytes  " + IsoTime(f.file.time) +
               (f.replaced ? "  (replaced a file of that name)" : ""));
    if (!c.folders.empty()) t.Heading(indent + "Folders", c.folders.size());
    for (const std::string& f : c.folders) t.Line(indent + "  " + f);
    if (!c.shortcuts.empty()) t.Heading(indent + "Shortcuts", c.shortcuts.size());
    for (const Shortcut& s : c.shortcuts) {
        t.Line(indent + "  " + s.path);
        t.Line(indent + "    target " + Quote(s.target) + ", arguments " + Quote(s.arguments) + ", working folder " +
               Quote(s.workingDir) + ", in " + s.folder);
    }
    if (!c.keys.empty()) t.Heading(indent + "Registry keys", c.keys.size());
    for (const std::string& k : c.keys) t.Line(indent + "  " + k);
    if (!c.values.empty()) t.Heading(indent + "Registry values", c.values.size());
    std::string key;
    for (const AddedValue& v : c.values) {
        if (v.key != key) t.Line(indent + "  [" + (key = v.key) + "]");
        ValueLines(t, {v}, indent + "    ");
    }
    if (!c.sharedCounts.empty()) t.Heading(indent + "Shared-file counts (SharedDLLs)", c.sharedCounts.size());
    for (const AddedValue& v : c.sharedCounts)
        t.Line(indent + "  " + v.name + "  " + v.value.data + (v.before ? " (was " + v.before->data + ")" : ""));
    if (!c.restartMoves.empty()) t.Heading(indent + "Moves at the next restart", c.restartMoves.size());
    for (const RestartMove& m : c.restartMoves)
        t.Line(indent + "  " + m.from + (m.to.empty() ? "  deleted" : "  -> " + m.to));
    if (!c.runOnce.empty()) t.Heading(indent + "RunOnce entries", c.runOnce.size());
    ValueLines(t, c.runOnce, indent + "  ");
}

void WalkLines(Text& t, const Walk& w) {
    for (const std::string& page : w.pages) t.Line("  page: " + page);
    for (const Question& q : w.questions)
        t.Line("  message " + Quote(q.caption) + ": " + Quote(q.text) + (q.path.empty() ? "" : " " + q.path) +
               (q.answer.empty() ? "" : ", answered " + Quote(q.answer)));
    for (const std::string& p : w.opened) t.Line("  opened and closed: " + p);
    for (const std::string& s : w.screenshots) t.Line("  screenshot: " + s);
    if (w.exitCode) t.Line("  exit code " + std::to_string(*w.exitCode));
}
}  // namespace

std::string ReportText(const TryReport& r) {
    Text t;
    t.Line("Installer: " + r.installer + (r.silent ? " (silent)" : ""));
    WalkLines(t, r.install);
    t.Line("Outcome: " + r.outcome + (r.outcomeMessage ? " (" + Quote(r.outcomeMessage->caption) + " " +
                                                              Quote(r.outcomeMessage->text) + ")" : ""));
    t.Line();
    if (r.added.Empty()) t.Line("The installation added nothing.");
    else t.Line("Added:");
    ChangeLines(t, r.added, "  ");
    for (const RunCommand& run : r.runs)
        t.Line("Ran " + Quote(run.command) + ": " + (run.exitCode ? "exit code " + std::to_string(*run.exitCode) : "timed out"));
    if (r.uninstall) {
        t.Line();
        t.Line("Uninstall: " + r.uninstallString);
        WalkLines(t, *r.uninstall);
    }
    if (r.leftovers) {
        for (const std::string& path : r.leftovers->scheduledForDeletion)
            t.Line("Scheduled for deletion at the next restart (the Uninstaller's temporary copy): " + path);
        for (const KeptShared& kept : r.leftovers->keptShared)
            t.Line("Kept shared file: " + kept.path + (kept.count ? ", count " + *kept.count : ", no count left"));
        if (r.leftovers->leftBehind.Empty()) {
            t.Line("Nothing was left behind.");
        } else {
            t.Line("Left behind:");
            ChangeLines(t, r.leftovers->leftBehind, "  ");
        }
    }
    if (r.keptPrefix) t.Line("The Wine prefix is kept in " + *r.keptPrefix);
    t.Line();
    t.Line(r.failure.empty() ? "Result: passed" : "Result: failed: " + r.failure);
    return t.out_;
}
