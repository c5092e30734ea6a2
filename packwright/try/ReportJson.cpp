#include <cstdlib>
#include <ctime>

#include "packwright/examine/JsonWriter.h"
#include "packwright/try/ReportFormat.h"
#include "packwright/try/TryReport.h"

namespace {
void Data(JsonWriter& j, const SnapshotValue& v) {
    if (v.type == "REG_DWORD" || v.type == "REG_QWORD") {
        j.Number(std::strtoull(v.data.c_str(), nullptr, 10));
    } else if (v.type == "REG_MULTI_SZ") {
        j.BeginArray();
        for (const std::string& text : v.texts) j.Utf8(text);
        j.End();
    } else {
        j.Utf8(v.data);
    }
}

void Strings(JsonWriter& j, const char* key, const std::vector<std::string>& list) {
    j.Key(key).BeginArray();
    for (const std::string& s : list) j.Utf8(s);
    j.End();
}

void Values(JsonWriter& j, const char* key, const std::vector<AddedValue>& values) {
    j.Key(key).BeginArray();
    for (const AddedValue& v : values) {
        j.BeginObject().Key("key").Utf8(v.key).Key("name").Utf8(v.name).Key("type").Utf8(v.value.type).Key("data");
        Data(j, v.value);
        j.Key("before");
        if (v.before) Data(j, *v.before);
        else j.Null();
        j.End();
    }
    j.End();
}

void ChangesJson(JsonWriter& j, const Changes& c) {
    j.BeginObject().Key("files").BeginArray();
    for (const AddedFile& f : c.files)
        j.BeginObject().Key("path").Utf8(f.path).Key("size").Number(f.file.size).Key("time").Utf8(IsoTime(f.file.time))
            .Key("replaced").Bool(f.replaced).End();
    j.End();
    Strings(j, "folders", c.folders);
    j.Key("shortcuts").BeginArray();
    for (const Shortcut& s : c.shortcuts)
        j.BeginObject().Key("path").Utf8(s.path).Key("folder").Utf8(s.folder).Key("target").Utf8(s.target)
            .Key("arguments").Utf8(s.arguments).Key("working_dir").Utf8(s.workingDir).End();
    j.End();
    Strings(j, "registry_keys", c.keys);
    Values(j, "registry_values", c.values);
    j.Key("shared_counts").BeginArray();
    for (const AddedValue& v : c.sharedCounts) {
        j.BeginObject().Key("path").Utf8(v.name).Key("count").Number(std::strtoull(v.value.data.c_str(), nullptr, 10)).Key("before");
        if (v.before) j.Number(std::strtoull(v.before->data.c_str(), nullptr, 10));
        else j.Null();
        j.End();
    }
    j.End();
    j.Key("restart_moves").BeginArray();
    for (const RestartMove& m : c.restartMoves) {
        j.BeginObject().Key("from").Utf8(m.from).Key("to");
        if (m.to.empty()) j.Null();
        else j.Utf8(m.to);
        j.End();
    }
    j.End();
    Values(j, "run_once", c.runOnce);
    j.End();
}

void OptionalNumber(JsonWriter& j, const std::optional<int>& n) {
    if (n) j.Number(static_cast<u64>(static_cast<unsigned>(*n)));
    else j.Null();
}

void OptionalText(JsonWriter& j, const std::string& text) {
    if (text.empty()) j.Null();
    else j.Utf8(text);
}

void WalkJson(JsonWriter& j, const Walk& w) {
    Strings(j, "pages", w.pages);
    j.Key("messages").BeginArray();
    for (const Question& q : w.questions)
        j.BeginObject().Key("caption").Utf8(q.caption).Key("text").Utf8(q.text).Key("path").Utf8(q.path)
            .Key("answer").Utf8(q.answer).End();
    j.End();
    Strings(j, "opened", w.opened);
    Strings(j, "screenshots", w.screenshots);
    j.Key("exit_code");
    OptionalNumber(j, w.exitCode);
    j.Key("failure");
    OptionalText(j, w.failure);
}
}  // namespace

std::string IsoTime(long long nanoseconds) {
    std::time_t seconds = static_cast<std::time_t>(nanoseconds / 1000000000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string ReportJson(const TryReport& r) {
    JsonWriter j;
    j.BeginObject().Key("command").Utf8("try").Key("schema_version").Number(1).Key("installer").Utf8(r.installer)
        .Key("silent").Bool(r.silent);
    j.Key("install").BeginObject();
    WalkJson(j, r.install);
    j.End();
    j.Key("outcome").Utf8(r.outcome).Key("outcome_message");
    if (r.outcomeMessage) j.BeginObject().Key("caption").Utf8(r.outcomeMessage->caption).Key("text").Utf8(r.outcomeMessage->text).End();
    else j.Null();
    j.Key("added");
    ChangesJson(j, r.added);
    j.Key("runs").BeginArray();
    for (const RunCommand& run : r.runs) {
        j.BeginObject().Key("command").Utf8(run.command).Key("exit_code");
        OptionalNumber(j, run.exitCode);
        j.End();
    }
    j.End();
    j.Key("uninstall");
    if (r.uninstall) {
        j.BeginObject().Key("command").Utf8(r.uninstallString);
        WalkJson(j, *r.uninstall);
        j.End();
    } else {
        j.Null();
    }
    Strings(j, "scheduled_for_deletion", r.leftovers ? r.leftovers->scheduledForDeletion : std::vector<std::string>{});
    j.Key("kept_shared").BeginArray();
    if (r.leftovers)
        for (const KeptShared& kept : r.leftovers->keptShared) {
            j.BeginObject().Key("path").Utf8(kept.path).Key("count");
            if (kept.count) j.Number(std::strtoull(kept.count->c_str(), nullptr, 10));
            else j.Null();
            j.End();
        }
    j.End();
    j.Key("left_behind");
    if (r.leftovers) ChangesJson(j, r.leftovers->leftBehind);
    else j.Null();
    j.Key("kept_prefix");
    OptionalText(j, r.keptPrefix ? *r.keptPrefix : "");
    j.Key("result").Utf8(r.failure.empty() ? "passed" : "failed").Key("reason");
    OptionalText(j, r.failure);
    j.Key("exit_code").Number(static_cast<u64>(r.exitCode));
    j.End();
    return j.Finish();
}
