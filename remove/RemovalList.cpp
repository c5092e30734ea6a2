#include "remove/RemovalList.h"

#include <cstring>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "remove/SystemKeys.h"

namespace {
// An empty key is one that can be asked and holds neither subkeys nor values; a key that
// cannot be asked is left alone.
bool IsEmptyKey(u32 root, const char* path) {
    RegistryKey key = PlatformOpenKey(PlatformRegistryRoot(root), path, true);
    if (!key) return false;
    u32 subKeys = 0, values = 0;
    bool empty = PlatformKeyCounts(key, &subKeys, &values) && subKeys == 0 && values == 0;
    PlatformCloseKey(key);
    return empty;
}

// Deletes the key if it is empty, then its parent if that became empty, and so on; the
// first key that is not empty, or is the system's, ends the walk, so nothing above it is
// looked at.
void PruneUpwards(u32 root, char* path) {
    for (;;) {
        if (IsSystemKey(path) || !IsEmptyKey(root, path)) return;
        PlatformDeleteKey(PlatformRegistryRoot(root), path);
        char* last = std::strrchr(path, '\\');
        if (!last) return;
        *last = 0;
    }
}
}  // namespace

void RemovalList::AddEntry(const char* text, u32 secondKey) {
    u32 characters = static_cast<u32>(std::strlen(text));
    Entry* entry = new Entry;
    entry->text = new char[characters + 1];
    std::memcpy(entry->text, text, characters + 1);
    entry->length = static_cast<int>(characters + 1);
    entry->secondKey = secondKey;

    Entry** link = &head_;
    while (*link && (*link)->secondKey >= secondKey && (*link)->length >= entry->length) link = &(*link)->next;
    entry->next = *link;
    *link = entry;
}

void RemovalList::RemoveDirectories() {
    for (Entry* e = head_; e; e = e->next) PlatformRemoveDirectory(e->text);
    Clear();
}

void RemovalList::PruneEmptyKeys() {
    for (Entry* e = head_; e; e = e->next) {
        // A path cut to fit would name another key: such an entry is passed over.
        char path[PathCapacity];
        if (static_cast<u32>(e->length) > sizeof path) continue;
        std::memcpy(path, e->text, static_cast<u32>(e->length));
        PruneUpwards(e->secondKey, path);
    }
    Clear();
}

void RemovalList::Clear() {
    while (head_) {
        Entry* next = head_->next;
        delete[] head_->text;
        delete head_;
        head_ = next;
    }
}
