// The table of open registry keys: what an HKEY returned by RegOpenKeyExA or RegCreateKeyExA
// stands for. Callers hold RegistryMutex().
#pragma once

#include <optional>

#include <winpal/types.h>

#include "registry_roots.h"
#include "registry_tree.h"

namespace winpal::reg {

struct OpenKey {
    std::optional<Hive> hive;  // none: a key of an empty, read-only root
    KeyPath path;              // from the top of the hive
    REGSAM access = 0;
    // The key of a predefined root (HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes):
    // it reads as empty while missing and is created by the first change.
    bool rootView = false;
    // Set when this process deleted the key; a key deleted by another process shows as a path
    // that no longer leads anywhere.
    bool deleted = false;
};

HKEY AddHandle(OpenKey key);
// The open key behind `handle`, or null when `handle` is not an open key.
OpenKey* FindHandle(HKEY handle);
bool RemoveHandle(HKEY handle);
// Marks the handles of the key at `path` (when `withKey`) and of every key below it as deleted.
void MarkHandlesDeleted(Hive hive, const KeyPath& path, bool withKey);

}  // namespace winpal::reg
