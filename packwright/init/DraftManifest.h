// `packwright init`: a first manifest for a folder of product files, commented, that builds
// as it is. It names what it found; the user edits it from there.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

struct ManifestDraft {
    std::string text;                  // the manifest, TOML with comments
    std::vector<std::string> entries;  // the top-level files and folders packed, in order
    std::vector<std::string> programs; // the .exe files given a start-menu shortcut
    std::string mainProgram;           // the one whose version and icon the product takes; may be empty
    std::string version;               // read from mainProgram's version resource; may be empty
};

struct InitError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Drafts a manifest for the files under `folder`, to be saved as `manifestPath` (sources are
// written relative to the manifest's folder). Throws InitError when the folder cannot be read
// or cannot be named in a manifest at that place.
ManifestDraft DraftManifest(const std::string& folder, const std::string& manifestPath);
