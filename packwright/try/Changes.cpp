#include <algorithm>

#include "packwright/try/TryReport.h"

namespace {
const char SharedCountsKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS";
const char SessionManagerKey[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SESSION MANAGER";
const char PendingMoves[] = "PENDINGFILERENAMEOPERATIONS";

bool IsRunOnce(const std::string& key) {
    std::string folded = Folded(key);
    return folded == "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE" ||
           folded == "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE";
}

// "\??\C:\x" as the system records a move; "!" before a target lets it replace a file.
std::string MovePath(std::string path) {
    if (!path.empty() && path[0] == '!') path.erase(0, 1);
    if (path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
    return path;
}

std::vector<RestartMove> Moves(const SnapshotValue* value) {
    std::vector<RestartMove> moves;
    if (!value) return moves;
    // Pairs of source and target; the list's strings may include empty targets, which the
    // export keeps as empty strings between the others.
    std::vector<std::string> texts;
    std::string data = value->data + "\n";
    for (std::size_t start = 0, end; (end = data.find('\n', start)) != std::string::npos; start = end + 1)
        texts.push_back(data.substr(start, end - start));
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2) moves.push_back({MovePath(texts[i]), MovePath(texts[i + 1])});
    if (texts.size() % 2) moves.push_back({MovePath(texts.back()), ""});
    return moves;
}

bool IsUnder(const std::string& path, const std::string& folder) {
    return Folded(path).rfind(Folded(folder) + "\\", 0) == 0;
}
}  // namespace

bool Changes::Empty() const {
    return files.empty() && folders.empty() && keys.empty() && values.empty() && sharedCounts.empty() &&
           restartMoves.empty() && runOnce.empty();
}

Changes CompareSnapshots(const PrefixSnapshot& before, const PrefixSnapshot& after) {
    Changes changes;
    for (const auto& [path, file] : after.files) {
        auto old = before.files.find(path);
        if (old == before.files.end() || !(old->second == file)) changes.files.push_back({path, file, old != before.files.end()});
    }
    for (const std::string& folder : after.folders)
        if (!before.folders.count(folder)) changes.folders.push_back(folder);
    for (const std::string& key : after.keys)
        if (!before.keys.count(key)) changes.keys.push_back(key);
    const SnapshotValue* movesBefore = nullptr;
    const SnapshotValue* movesAfter = nullptr;
    for (const auto& [place, value] : before.values)
        if (Folded(place.first) == SessionManagerKey && Folded(place.second) == PendingMoves) movesBefore = &value;
    for (const auto& [place, value] : after.values) {
        const auto& [key, name] = place;
        if (Folded(key) == SessionManagerKey && Folded(name) == PendingMoves) {
            movesAfter = &value;
            continue;
        }
        auto old = before.values.find(place);
        if (old != before.values.end() && old->second == value) continue;
        AddedValue added{key, name, value, std::nullopt};
        if (old != before.values.end()) added.before = old->second;
        if (Folded(key) == SharedCountsKey) changes.sharedCounts.push_back(added);
        else if (IsRunOnce(key)) changes.runOnce.push_back(added);
        else changes.values.push_back(added);
    }
    std::vector<RestartMove> old = Moves(movesBefore);
    for (const RestartMove& move : Moves(movesAfter))
        if (std::none_of(old.begin(), old.end(), [&](const RestartMove& m) { return m.from == move.from && m.to == move.to; }))
            changes.restartMoves.push_back(move);
    return changes;
}

Leftovers SortLeftovers(const Changes& remaining, const std::vector<std::string>& installedShared) {
    Leftovers sorted;
    auto isShared = [&](const std::string& path) {
        return std::any_of(installedShared.begin(), installedShared.end(),
                           [&](const std::string& shared) { return Folded(shared) == Folded(path); });
    };
    auto scheduled = [&](const std::string& path) {
        return std::any_of(remaining.restartMoves.begin(), remaining.restartMoves.end(), [&](const RestartMove& move) {
            return move.to.empty() && Folded(move.from) == Folded(path);
        });
    };
    Changes& left = sorted.leftBehind;
    for (const AddedFile& file : remaining.files) {
        if (scheduled(file.path)) sorted.scheduledForDeletion.push_back(file.path);
        else if (isShared(file.path)) sorted.keptShared.push_back({file.path, std::nullopt});
        else left.files.push_back(file);
    }
    // A folder that holds a kept shared file stays with it; the folder of the Uninstaller's
    // copy waits for the restart with the copy.
    for (const std::string& folder : remaining.folders) {
        bool holdsKept = std::any_of(sorted.keptShared.begin(), sorted.keptShared.end(),
                                     [&](const KeptShared& kept) { return IsUnder(kept.path, folder); });
        if (scheduled(folder)) sorted.scheduledForDeletion.push_back(folder);
        else if (!holdsKept) left.folders.push_back(folder);
    }
    left.keys = remaining.keys;
    left.values = remaining.values;
    left.runOnce = remaining.runOnce;
    for (const AddedValue& count : remaining.sharedCounts) {
        auto kept = std::find_if(sorted.keptShared.begin(), sorted.keptShared.end(),
                                 [&](const KeptShared& k) { return Folded(k.path) == Folded(count.name); });
        if (kept != sorted.keptShared.end()) kept->count = count.value.data;
        else left.sharedCounts.push_back(count);
    }
    // Only the Uninstaller schedules deletions: of its own temporary copy, which cannot
    // delete itself while it runs.
    for (const RestartMove& move : remaining.restartMoves) {
        if (!move.to.empty()) left.restartMoves.push_back(move);
        else if (std::find(sorted.scheduledForDeletion.begin(), sorted.scheduledForDeletion.end(), move.from) ==
                 sorted.scheduledForDeletion.end())
            sorted.scheduledForDeletion.push_back(move.from);
    }
    return sorted;
}
