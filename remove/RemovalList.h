// What the Uninstaller can only remove after its main pass: the directories that held the
// logged files, and the registry keys whose logged values it deleted. Entries are kept
// longest first within a second key (so a subdirectory comes before its parent), and
// nothing the list tries to remove is reported when it stays.
#pragma once
#include "state/Types.h"

class RemovalList {
public:
    RemovalList() = default;
    ~RemovalList() { Clear(); }
    RemovalList(const RemovalList&) = delete;
    RemovalList& operator=(const RemovalList&) = delete;

    // Adds a copy of text, in front of the first entry whose second key is smaller or
    // whose text is shorter. Directories use second key 0; registry keys their root's
    // handle value (0x80000000 ...). Duplicates are kept.
    void AddEntry(const char* text, u32 secondKey);
    // One removal attempt per listed directory, in list order; then the list is empty.
    void RemoveDirectories();
    // Deletes every listed key that has become empty, and then each ancestor that is left
    // empty by that, up to the first-level key; the system's own keys (SystemKeys.h) stay
    // even when empty. Then the list is empty.
    void PruneEmptyKeys();
    // Forgets every entry without touching the file system or the registry.
    void Clear();

    // The texts in list order (tests).
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (const Entry* e = head_; e; e = e->next) visit(e->text, e->secondKey);
    }

private:
    struct Entry {
        char* text;
        int length;  // characters of text plus one
        u32 secondKey;
        Entry* next;
    };
    Entry* head_ = nullptr;
};
