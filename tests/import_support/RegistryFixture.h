// Writes registry contents for a test into the test program's temporary prefix.
#pragma once

#include <string>

#include <winpal/registry.h>

namespace regfixture {

// Creates `root`\`path` (with the keys above it).
inline void CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
}

// Sets a value of `root`\`path` (creating the key); text values are stored with their NUL.
inline void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                     const std::string& data) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + (text ? 1 : 0)));
    RegCloseKey(key);
}

inline void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
    RegCloseKey(key);
}

// Removes `root`\`path` and everything below it.
inline void DeleteTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
}

}  // namespace regfixture
