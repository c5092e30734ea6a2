#include "packwright/builder/SourceFiles.h"

#include <fmt/format.h>
#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitSegments(const std::string& pattern) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : pattern) {
        if (c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

bool SegmentMatches(const std::string& segment, const std::string& name) {
    return fnmatch(segment.c_str(), name.c_str(), FNM_PERIOD) == 0;
}

// What a walk collects: the matches, and the folders it could not list.
struct Found {
    std::vector<SourceMatch> matches;
    std::vector<std::string> unreadable;
};

// Sorted entries of a folder: the order of readdir is the file system's, not ours. A folder
// that cannot be listed is noted: its files would otherwise be missing without a word.
std::vector<fs::directory_entry> Entries(const fs::path& folder, Found& found) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) found.unreadable.push_back(fmt::format("'{}': {}", folder.string(), ec.message()));
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    return entries;
}

bool IsRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool IsFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

void Walk(const fs::path& folder, const std::string& relative, const std::vector<std::string>& segments,
          std::size_t at, Found& found) {
    auto join = [&](const std::string& name) { return relative.empty() ? name : relative + "/" + name; };
    const std::string& segment = segments[at];
    bool last = at + 1 == segments.size();
    if (segment == "**") {
        // Zero folders here, or one more folder and "**" again.
        if (last) {
            for (const auto& e : Entries(folder, found)) {
                std::string name = e.path().filename().string();
                if (name[0] == '.') continue;
                if (IsRegularFile(e.path())) found.matches.push_back({e.path().string(), join(name)});
                else if (IsFolder(e.path()) && !e.is_symlink()) Walk(e.path(), join(name), segments, at, found);
            }
            return;
        }
        Walk(folder, relative, segments, at + 1, found);
        for (const auto& e : Entries(folder, found)) {
            std::string name = e.path().filename().string();
            if (name[0] != '.' && IsFolder(e.path()) && !e.is_symlink()) Walk(e.path(), join(name), segments, at, found);
        }
        return;
    }
    if (!IsGlobPattern(segment)) {
        fs::path next = folder / segment;
        if (last) {
            if (IsRegularFile(next)) found.matches.push_back({next.string(), join(segment)});
        } else if (IsFolder(next)) {
            Walk(next, join(segment), segments, at + 1, found);
        }
        return;
    }
    for (const auto& e : Entries(folder, found)) {
        std::string name = e.path().filename().string();
        if (!SegmentMatches(segment, name)) continue;
        if (last) {
            if (IsRegularFile(e.path())) found.matches.push_back({e.path().string(), join(name)});
        } else if (IsFolder(e.path())) {
            Walk(e.path(), join(name), segments, at + 1, found);
        }
    }
}

}  // namespace

bool IsGlobPattern(const std::string& pattern) { return pattern.find_first_of("*?[") != std::string::npos; }

std::vector<SourceMatch> FindSourceFiles(const std::string& base, const std::string& pattern,
                                         std::vector<std::string>* unreadableFolders) {
    Found found;
    std::vector<SourceMatch>& out = found.matches;
    fs::path full = fs::path(base) / pattern;
    if (!IsGlobPattern(pattern)) {
        if (IsRegularFile(full)) out.push_back({full.string(), full.filename().string()});
        return out;
    }
    // The folders before the first wildcard segment are fixed: matches are relative to them.
    std::vector<std::string> segments = SplitSegments(pattern);
    fs::path start = pattern.size() && pattern[0] == '/' ? fs::path("/") : fs::path(base);
    std::size_t at = 0;
    while (at < segments.size() && !IsGlobPattern(segments[at])) start /= segments[at++];
    if (at < segments.size() && IsFolder(start)) Walk(start, "", segments, at, found);
    if (unreadableFolders) {
        // "**" may list a folder twice: name it once.
        std::sort(found.unreadable.begin(), found.unreadable.end());
        found.unreadable.erase(std::unique(found.unreadable.begin(), found.unreadable.end()), found.unreadable.end());
        *unreadableFolders = found.unreadable;
    }
    // "**" can reach a file along two ways (a/**/**/x); keep one.
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.relative < b.relative; });
    out.erase(std::unique(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.relative == b.relative; }),
              out.end());
    return out;
}

std::string TargetPathFor(const std::string& target, const SourceMatch& match, bool asFolder) {
    if (!asFolder) return target;
    std::string path = target;
    if (path.empty() || path.back() != '\\') path += '\\';
    for (char c : match.relative) path += c == '/' ? '\\' : c;
    return path;
}
