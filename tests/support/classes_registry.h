// Reads registry entries under HKEY_CLASSES_ROOT for the registration tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <winpal/registry.h>

namespace testsupport {

// The REG_SZ value `value` (null: the default value) of HKEY_CLASSES_ROOT\`key`.
inline std::optional<std::string> ClassesText(const std::string& key, const char* value = nullptr) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::string> text;
    if (RegQueryValueExA(handle, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::vector<char> buffer(size + 1, '\0');
        if (RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &size) == ERROR_SUCCESS)
            text = std::string(buffer.data());
    }
    RegCloseKey(handle);
    return text;
}

inline bool ClassesKeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace testsupport
