#include "registry_handles.h"

#include <unordered_map>

namespace winpal::reg {

namespace {

struct HandleTable {
    // Handle values count up from here in steps of 4, as Windows handles do, and never reach the
    // predefined keys at 0x80000000.
    ULONG_PTR next = 0x1000;
    std::unordered_map<ULONG_PTR, OpenKey> keys;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

}  // namespace

HKEY AddHandle(OpenKey key) {
    HandleTable& table = Table();
    ULONG_PTR value = table.next;
    while (table.keys.count(value))
        value = value + 4 < 0x80000000u ? value + 4 : 0x1000;
    table.next = value + 4 < 0x80000000u ? value + 4 : 0x1000;
    table.keys[value] = std::move(key);
    return reinterpret_cast<HKEY>(value);
}

OpenKey* FindHandle(HKEY handle) {
    auto it = Table().keys.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == Table().keys.end() ? nullptr : &it->second;
}

bool RemoveHandle(HKEY handle) {
    return Table().keys.erase(reinterpret_cast<ULONG_PTR>(handle)) > 0;
}

void MarkHandlesDeleted(Hive hive, const KeyPath& path, bool withKey) {
    for (auto& [value, key] : Table().keys) {
        if (key.hive == hive && PathStartsWith(key.path, path) &&
            (withKey || key.path.size() > path.size())) {
            key.deleted = true;
        }
    }
}

}  // namespace winpal::reg
