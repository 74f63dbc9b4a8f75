// The registry functions of the Windows API over the hive files. Names and text data are kept
// as UTF-16, as Windows keeps them; the A functions convert with the ANSI code page.
#include <cstring>
#include <functional>

#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "registry_handles.h"
#include "registry_hive.h"

using namespace winpal::reg;

namespace {

// The standard DELETE right, which RegDeleteTreeA asks of its key.
constexpr REGSAM kDeleteAccess = 0x00010000;

using Lock = std::lock_guard<std::recursive_mutex>;

const Key& EmptyKey() {
    static const Key empty;
    return empty;
}

std::u16string Wide(LPCSTR text) {
    return text ? winpal::AnsiToWide(text) : std::u16string();
}

bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LONG Resolve(HKEY handle, OpenKey& key) {
    if (std::optional<Root> root = RootFromHandle(handle)) {
        RootPlace place = PlaceOfRoot(*root);
        key = OpenKey{place.hive, place.base, place.hive ? KEY_ALL_ACCESS : KEY_READ, true, false};
        return ERROR_SUCCESS;
    }
    OpenKey* open = FindHandle(handle);
    if (!open)
        return ERROR_INVALID_HANDLE;
    key = *open;
    return ERROR_SUCCESS;
}

// A subkey path as the A functions take it; Windows refuses one that starts with a backslash.
LONG SubkeyPath(LPCSTR subKey, KeyPath& path) {
    if (subKey && subKey[0] == '\\')
        return ERROR_BAD_PATHNAME;
    path = SplitKeyPath(Wide(subKey));
    return ERROR_SUCCESS;
}

// The key behind `handle` and the path of `subKey` below it.
LONG ResolveSubkey(HKEY handle, LPCSTR subKey, OpenKey& parent, KeyPath& path) {
    if (LONG status = Resolve(handle, parent))
        return status;
    return SubkeyPath(subKey, path);
}

// Whether keys may be created at `path` below `parent`: at most 512 levels deep, names of at most
// 255 characters without line breaks (the hive files could not hold them).
bool IsValidNewPath(const KeyPath& parent, const KeyPath& path) {
    if (parent.size() + path.size() > kMaxKeyDepth)
        return false;
    for (const std::u16string& name : path) {
        if (name.size() > kMaxKeyNameLength ||
            name.find_first_of(u"\r\n") != std::u16string::npos) {
            return false;
        }
    }
    return true;
}

KeyPath Joined(KeyPath path, const KeyPath& more) {
    path.insert(path.end(), more.begin(), more.end());
    return path;
}

// The key behind `ref` for reading, with the access `needed`.
LONG ReadKey(const OpenKey& ref, REGSAM needed, const Key*& key) {
    key = &EmptyKey();
    if ((ref.access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    if (ref.deleted)
        return ERROR_KEY_DELETED;
    if (!ref.hive)
        return ERROR_SUCCESS;
    const Key* tree = ReadHive(*ref.hive);
    const Key* found = tree ? FindPath(*tree, ref.path) : nullptr;
    if (found) {
        key = found;
        return ERROR_SUCCESS;
    }
    if (ref.rootView)
        return ERROR_SUCCESS;
    return tree ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
}

// The key behind `handle` for reading, with the access `needed`.
LONG ReadHandle(HKEY handle, REGSAM needed, const Key*& key) {
    OpenKey ref;
    if (LONG status = Resolve(handle, ref))
        return status;
    return ReadKey(ref, needed, key);
}

// Runs `change` on the key behind `ref` in its hive as just re-read under the registry lock, and
// saves the hive when `change` reports that it changed something.
LONG ChangeKey(const OpenKey& ref, REGSAM needed,
               const std::function<LONG(Key& key, bool& changed)>& change) {
    if ((ref.access & needed) != needed || !ref.hive)
        return ERROR_ACCESS_DENIED;
    if (ref.deleted)
        return ERROR_KEY_DELETED;
    HiveWriter writer;
    Key* tree = nullptr;
    if (LONG status = writer.Open(*ref.hive, &tree))
        return status;
    Key* key = FindPath(*tree, ref.path);
    if (!key) {
        if (!ref.rootView)
            return ERROR_KEY_DELETED;
        key = &EnsurePath(*tree, ref.path);
    }
    bool changed = false;
    if (LONG status = change(*key, changed))
        return status;
    if (!changed)
        return ERROR_SUCCESS;
    writer.MarkChanged(*ref.hive);
    return writer.Commit();
}

// Removes the key at `path` below `ref` (the key of `ref` itself when `path` is empty) with
// everything below it; with `onlyWithoutSubkeys`, a key that has subkeys is refused.
LONG RemoveKey(OpenKey ref, KeyPath path, bool onlyWithoutSubkeys) {
    if (ref.deleted)
        return ERROR_KEY_DELETED;
    if (path.empty()) {
        if (ref.rootView || ref.path.empty())
            return ERROR_ACCESS_DENIED;
        path.push_back(ref.path.back());
        ref.path.pop_back();
    }
    ref.access = KEY_ALL_ACCESS;
    KeyPath removed;
    LONG status = ChangeKey(ref, 0, [&](Key& parent, bool& changed) {
        Key* target = FindPath(parent, path);
        if (!target)
            return ERROR_FILE_NOT_FOUND;
        if (onlyWithoutSubkeys && !target->Subkeys().empty())
            return ERROR_ACCESS_DENIED;
        removed = Joined(ref.path, StoredNames(parent, path));
        RemovePath(parent, path);
        changed = true;
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS)
        MarkHandlesDeleted(*ref.hive, removed, true);
    return status;
}

// Value data as the A functions give it: text types in the ANSI code page.
std::vector<BYTE> AnsiData(const Value& value) {
    if (!IsTextType(value.type))
        return value.data;
    std::string ansi = winpal::WideToAnsi(Utf16FromBytes(value.data.data(), value.data.size()));
    return std::vector<BYTE>(ansi.begin(), ansi.end());
}

// Value data as it is stored from the A functions: text types as UTF-16.
std::vector<BYTE> StoredData(DWORD type, const BYTE* data, DWORD size) {
    if (!data)
        return {};
    if (!IsTextType(type))
        return std::vector<BYTE>(data, data + size);
    return Utf16Bytes(
        winpal::AnsiToWide(std::string_view(reinterpret_cast<const char*>(data), size)));
}

// Copies `data` to lpData (when given) with the size rules of RegQueryValueExA. Text stored
// without its NUL gets one after it when the buffer has room, uncounted in the size, as Windows
// does, so that a caller who sized the buffer with a spare byte reads a terminated string.
LONG CopyData(const std::vector<BYTE>& data, bool text, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpData) {
        if (data.size() > *lpcbData) {
            *lpcbData = static_cast<DWORD>(data.size());
            return ERROR_MORE_DATA;
        }
        if (!data.empty())
            std::memcpy(lpData, data.data(), data.size());
        if (text && data.size() < *lpcbData && (data.empty() || data.back() != 0))
            lpData[data.size()] = 0;
    }
    if (lpcbData)
        *lpcbData = static_cast<DWORD>(data.size());
    return ERROR_SUCCESS;
}

// Copies a name with its NUL into a buffer of *lpcch characters; on success *lpcch becomes the
// length without the NUL. When it does not fit: ERROR_MORE_DATA, buffer and size untouched.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD lpcch) {
    if (name.size() + 1 > *lpcch)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    *lpcch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// An empty class text, as every key here has.
LONG CopyEmptyClass(LPSTR lpClass, LPDWORD lpcchClass) {
    if (lpClass) {
        if (*lpcchClass < 1)
            return ERROR_MORE_DATA;
        lpClass[0] = '\0';
    }
    if (lpcchClass)
        *lpcchClass = 0;
    return ERROR_SUCCESS;
}

HKEY OpenChild(const OpenKey& parent, const Key& parentKey, const KeyPath& path, REGSAM access) {
    OpenKey child = parent;
    child.path = Joined(parent.path, StoredNames(parentKey, path));
    child.access = access;
    child.rootView = parent.rootView && path.empty();
    child.deleted = false;
    return AddHandle(std::move(child));
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    Lock lock(RegistryMutex());
    OpenKey parent;
    KeyPath path;
    const Key* key = nullptr;
    if (LONG status = ResolveSubkey(hKey, lpSubKey, parent, path))
        return status;
    if (LONG status = ReadKey(parent, 0, key))
        return status;
    if (!FindPath(*key, path))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = OpenChild(parent, *key, path, samDesired);
    return ERROR_SUCCESS;
}

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    if (lpSubKey && *lpSubKey)
        return RegOpenKeyExA(hKey, lpSubKey, 0, KEY_ALL_ACCESS, phkResult);
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    Lock lock(RegistryMutex());
    OpenKey key;
    if (LONG status = Resolve(hKey, key))
        return status;
    *phkResult = hKey;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                     const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    Lock lock(RegistryMutex());
    OpenKey parent;
    KeyPath path;
    const Key* key = nullptr;
    if (LONG status = ResolveSubkey(hKey, lpSubKey, parent, path))
        return status;
    LONG status = ReadKey(parent, 0, key);
    if (status == ERROR_KEY_DELETED)
        return status;
    if (status == ERROR_SUCCESS && FindPath(*key, path)) {
        *phkResult = OpenChild(parent, *key, path, samDesired);
        if (lpdwDisposition)
            *lpdwDisposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    if (!IsValidNewPath(parent.path, path))
        return ERROR_INVALID_PARAMETER;
    bool created = false;
    status = ChangeKey(parent, KEY_CREATE_SUB_KEY, [&](Key& parentKey, bool& changed) {
        EnsurePath(parentKey, path, &created);
        changed = created;
        *phkResult = OpenChild(parent, parentKey, path, samDesired);
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS) {
        if (*phkResult)
            RemoveHandle(*phkResult);
        *phkResult = nullptr;
        return status;
    }
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    if (lpSubKey) {
        return RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, phkResult, nullptr);
    }
    return RegOpenKeyA(hKey, nullptr, phkResult);
}

LONG RegCloseKey(HKEY hKey) {
    Lock lock(RegistryMutex());
    if (RootFromHandle(hKey) || RemoveHandle(hKey))
        return ERROR_SUCCESS;
    return ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY hKey) {
    // Every change is on disk when its function returns; only the handle is checked.
    Lock lock(RegistryMutex());
    OpenKey key;
    return Resolve(hKey, key);
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) {
        return ERROR_INVALID_PARAMETER;
    }
    Lock lock(RegistryMutex());
    const Key* key = nullptr;
    if (LONG status = ReadHandle(hKey, KEY_ENUMERATE_SUB_KEYS, key))
        return status;
    if (dwIndex >= key->Subkeys().size())
        return ERROR_NO_MORE_ITEMS;
    const Key& subkey = *key->Subkeys()[dwIndex];
    if (LONG status = CopyName(winpal::WideToAnsi(subkey.Name()), lpName, lpcchName)) {
        return status;
    }
    if (LONG status = CopyEmptyClass(lpClass, lpcchClass))
        return status;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = subkey.LastWrite();
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) {
        return ERROR_INVALID_PARAMETER;
    }
    Lock lock(RegistryMutex());
    const Key* key = nullptr;
    if (LONG status = ReadHandle(hKey, KEY_QUERY_VALUE, key))
        return status;
    if (dwIndex >= key->Values().size())
        return ERROR_NO_MORE_ITEMS;
    const Value& value = key->Values()[dwIndex];
    std::string name = winpal::WideToAnsi(value.name);
    std::vector<BYTE> data = AnsiData(value);
    if (lpType)
        *lpType = value.type;
    // When either the name or the data does not fit, neither is copied and the name's size is
    // left as it was; the data size needed is reported.
    if (name.size() + 1 > *lpcchValueName || (lpData && data.size() > *lpcbData)) {
        if (lpcbData)
            *lpcbData = static_cast<DWORD>(data.size());
        return ERROR_MORE_DATA;
    }
    CopyName(name, lpValueName, lpcchValueName);
    return CopyData(data, IsTextType(value.type), lpData, lpcbData);
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    Lock lock(RegistryMutex());
    const Key* key = nullptr;
    if (LONG status = ReadHandle(hKey, KEY_QUERY_VALUE, key))
        return status;
    const Value* value = key->FindValue(Wide(lpValueName));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = value->type;
    return CopyData(AnsiData(*value), IsTextType(value->type), lpData, lpcbData);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    if (!lpData && cbData)
        return ERROR_INVALID_PARAMETER;
    std::u16string name = Wide(lpValueName);
    std::vector<BYTE> data = StoredData(dwType, lpData, cbData);
    Lock lock(RegistryMutex());
    OpenKey ref;
    if (LONG status = Resolve(hKey, ref))
        return status;
    return ChangeKey(ref, KEY_SET_VALUE, [&](Key& key, bool& changed) {
        const Value* old = key.FindValue(name);
        if (old && old->type == dwType && old->data == data)
            return ERROR_SUCCESS;
        key.SetValue(name, dwType, std::move(data));
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData, DWORD) {
    if (dwType != REG_SZ || !lpData)
        return ERROR_INVALID_PARAMETER;
    Lock lock(RegistryMutex());
    HKEY target = hKey;
    if (lpSubKey && *lpSubKey) {
        if (LONG status = RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_SET_VALUE, nullptr, &target, nullptr)) {
            return status;
        }
    }
    LONG status = RegSetValueExA(target, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpData),
                                 static_cast<DWORD>(std::strlen(lpData) + 1));
    if (target != hKey)
        RegCloseKey(target);
    return status;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    Lock lock(RegistryMutex());
    OpenKey ref;
    KeyPath path;
    if (LONG status = ResolveSubkey(hKey, lpSubKey, ref, path))
        return status;
    if (!ref.hive)
        return path.empty() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    return RemoveKey(ref, path, true);
}

LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) {
    Lock lock(RegistryMutex());
    OpenKey ref;
    KeyPath path;
    if (LONG status = ResolveSubkey(hKey, lpSubKey, ref, path))
        return status;
    constexpr REGSAM needed = kDeleteAccess | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
    if ((ref.access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    if (lpSubKey) {
        if (!ref.hive)
            return path.empty() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return RemoveKey(ref, path, false);
    }
    LONG status = ChangeKey(ref, needed, [&](Key& key, bool& changed) {
        if (!key.Values().empty() && !(ref.access & KEY_SET_VALUE))
            return ERROR_ACCESS_DENIED;
        changed = !key.Values().empty() || !key.Subkeys().empty();
        if (changed)
            key.Clear();
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS)
        MarkHandlesDeleted(*ref.hive, ref.path, false);
    return status;
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    std::u16string name = Wide(lpValueName);
    Lock lock(RegistryMutex());
    OpenKey ref;
    if (LONG status = Resolve(hKey, ref))
        return status;
    return ChangeKey(ref, KEY_SET_VALUE, [&](Key& key, bool& changed) {
        if (!key.RemoveValue(name))
            return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime) {
    if (lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    Lock lock(RegistryMutex());
    const Key* key = nullptr;
    if (LONG status = ReadHandle(hKey, KEY_QUERY_VALUE, key))
        return status;
    if (LONG status = CopyEmptyClass(lpClass, lpcchClass))
        return status;
    // Value names are measured as the A functions report them. The data length is the stored
    // one, text in UTF-16, as Windows reports it to either character set; when the ANSI code
    // page needs more bytes than that (UTF-8), the larger figure, so a buffer of it always fits.
    std::size_t maxSubkey = 0, maxName = 0, maxData = 0;
    for (const auto& subkey : key->Subkeys()) {
        maxSubkey = std::max(maxSubkey, winpal::WideToAnsi(subkey->Name()).size());
    }
    for (const Value& value : key->Values()) {
        maxName = std::max(maxName, winpal::WideToAnsi(value.name).size());
        maxData = std::max({maxData, value.data.size(), AnsiData(value).size()});
    }
    if (lpcSubKeys)
        *lpcSubKeys = static_cast<DWORD>(key->Subkeys().size());
    if (lpcbMaxSubKeyLen)
        *lpcbMaxSubKeyLen = static_cast<DWORD>(maxSubkey);
    if (lpcbMaxClassLen)
        *lpcbMaxClassLen = 0;
    if (lpcValues)
        *lpcValues = static_cast<DWORD>(key->Values().size());
    if (lpcbMaxValueNameLen)
        *lpcbMaxValueNameLen = static_cast<DWORD>(maxName);
    if (lpcbMaxValueLen)
        *lpcbMaxValueLen = static_cast<DWORD>(maxData);
    if (lpcbSecurityDescriptor)
        *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = key->LastWrite();
    return ERROR_SUCCESS;
}
