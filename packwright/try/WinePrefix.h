// The Wine side of a try: what must be installed, the prefix template kept in the user's
// cache, the fresh prefix of one run copied from it, and the Wine session in that prefix.
#pragma once
#include <filesystem>

#include "packwright/try/ChildProcess.h"

// Throws TryError naming the Debian packages to install when Wine, its 32-bit part, the X
// server (when one is needed) or the screenshot tool (when pictures are asked for) is missing.
void CheckTools(bool needXServer, bool needScreenshots);

// $XDG_CACHE_HOME/packwright, or ~/.cache/packwright.
std::filesystem::path CacheFolder();

// Points this process's Wine variables at `runFolder` (its prefix/ and home/): a 32-bit
// prefix, an isolated home, no menu entries, no download prompts.
void UseWineFolder(const std::filesystem::path& runFolder);

// The template (CACHE/wine-template), made once with the display already set; several tries
// at once wait for the one that makes it. Then copied into `runFolder`.
void CopyPrefixTemplate(const std::filesystem::path& cache, const std::filesystem::path& runFolder, Milliseconds timeout);

// A persistent wineserver for the prefix in use, ended (with every program in it) on destruction.
class WineSession {
public:
    explicit WineSession(Milliseconds timeout);
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;
};
