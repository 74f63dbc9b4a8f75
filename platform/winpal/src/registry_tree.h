// The registry's key tree in memory: keys with subkeys and values, names kept as UTF-16 as on
// Windows. Names compare without regard to case (ordinal comparison of upper-cased text) and
// keep the case they were created with.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <winpal/registry.h>

namespace winpal::reg {

// A key's path below some starting key, one name per level.
using KeyPath = std::vector<std::u16string>;

// Deepest nesting of keys we accept, as Windows limits a key tree to 512 levels.
constexpr std::size_t kMaxKeyDepth = 512;
// Longest key name (one level), as on Windows.
constexpr std::size_t kMaxKeyNameLength = 255;

// `text` upper-cased code unit by code unit, the form in which names are compared.
std::u16string FoldCase(std::u16string_view text);
bool SameName(std::u16string_view a, std::u16string_view b);
// The names of a backslash-separated key path; empty levels (doubled or trailing
// backslashes) are skipped.
KeyPath SplitKeyPath(std::u16string_view path);
// True when `path` is `prefix` or lies below it.
bool PathStartsWith(const KeyPath& path, const KeyPath& prefix);

struct Value {
    std::u16string name;
    std::u16string folded;  // the name upper-cased, for lookups
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class Key {
  public:
    explicit Key(std::u16string name = {});
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    const std::u16string& Name() const { return name_; }
    FILETIME LastWrite() const { return lastWrite_; }

    // Subkeys in enumeration order: sorted by their upper-cased names.
    const std::vector<std::unique_ptr<Key>>& Subkeys() const { return subkeys_; }
    Key* FindSubkey(std::u16string_view name) const;
    // The subkey `name`, created when missing (`created` tells which).
    Key& EnsureSubkey(std::u16string_view name, bool* created = nullptr);
    bool RemoveSubkey(std::u16string_view name);

    // Values in the order they were created.
    const std::vector<Value>& Values() const { return values_; }
    const Value* FindValue(std::u16string_view name) const;
    // Replaces the data of an existing value (keeping its place and the case of its name) or
    // appends a new one.
    void SetValue(std::u16string_view name, DWORD type, std::vector<BYTE> data);
    bool RemoveValue(std::u16string_view name);

    // Removes every subkey and value.
    void Clear();

  private:
    std::vector<std::unique_ptr<Key>>::const_iterator LowerBound(
        const std::u16string& folded) const;

    std::u16string name_;
    std::u16string folded_;
    FILETIME lastWrite_{};
    std::vector<std::unique_ptr<Key>> subkeys_;
    std::vector<Value> values_;
};

// The key at `path` below `root`, or null.
Key* FindPath(Key& root, const KeyPath& path);
const Key* FindPath(const Key& root, const KeyPath& path);
// The key at `path` below `root`, creating missing levels; `created` tells whether the last
// level was new.
Key& EnsurePath(Key& root, const KeyPath& path, bool* created = nullptr);
// Removes the key at `path` (not empty) with everything below it; false when it is missing.
bool RemovePath(Key& root, const KeyPath& path);
// The stored names (as created) of the keys along `path`, which must exist.
KeyPath StoredNames(const Key& root, const KeyPath& path);

// The current time as a FILETIME.
FILETIME Now();

// Wide text as value data (UTF-16LE bytes) and back; a trailing odd byte is dropped.
std::vector<BYTE> Utf16Bytes(std::u16string_view text);
std::u16string Utf16FromBytes(const BYTE* data, std::size_t size);

}  // namespace winpal::reg
