// Small helpers shared by the registry tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <winpal/registry.h>

namespace regtest {

inline HKEY CreateKey(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

inline LONG SetBytes(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
}

// Sets a REG_SZ value with its terminating NUL, as most callers write one.
inline LONG SetText(HKEY key, const char* name, const std::string& text) {
    return SetBytes(key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

// The value's type and bytes as RegQueryValueExA gives them (size query first).
inline LONG QueryBytes(HKEY key, const char* name, DWORD* type, std::string* bytes) {
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        return status;
    std::vector<BYTE> data(size + 1);
    status = RegQueryValueExA(key, name, nullptr, type, data.data(), &size);
    bytes->assign(data.begin(), data.begin() + size);
    return status;
}

inline std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[260];
        DWORD size = sizeof name;
        LONG status = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        names.emplace_back(name, size);
    }
    return names;
}

inline std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[260];
        DWORD size = sizeof name;
        LONG status = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            break;
        }
        names.emplace_back(name, size);
    }
    return names;
}

}  // namespace regtest
