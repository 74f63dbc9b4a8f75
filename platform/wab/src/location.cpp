#include "location.h"

#include <cstddef>
#include <string>
#include <vector>

#include <winpal/kernel.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

namespace wab {
namespace {

constexpr char kFileNameKey[] = "Software\\Microsoft\\WAB\\WAB4";
constexpr char kFileNameValue[] = "Wab File Name";
constexpr char kDefaultFile[] = "%APPDATA%\\Microsoft\\Address Book\\Address Book.sqlite";

std::string Expand(const std::string& text) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(),
                                                       static_cast<DWORD>(buffer.size()));
        if (needed == 0)
            return text;
        if (needed <= buffer.size())
            return std::string(buffer.data());
        buffer.resize(needed);
    }
}

std::string RegisteredFileName() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFileNameKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::string text;
    if (RegQueryValueExA(key, kFileNameValue, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        std::vector<char> buffer(size);
        if (RegQueryValueExA(key, kFileNameValue, nullptr, &type,
                             reinterpret_cast<LPBYTE>(buffer.data()), &size) == ERROR_SUCCESS)
            text.assign(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
    }
    RegCloseKey(key);
    return text;
}

// Whether `param` is long enough to hold the member that ends at `end`.
bool Covers(const WAB_PARAM* param, std::size_t end) {
    return param && param->cbSize >= end;
}

}  // namespace

std::filesystem::path AddressBookFile(const WAB_PARAM* param) {
    if (Covers(param, offsetof(WAB_PARAM, szFileName) + sizeof(LPTSTR)) && param->szFileName &&
        *param->szFileName)
        return winpal::PathFromAnsi(param->szFileName);
    std::string named = RegisteredFileName();
    if (!named.empty())
        return winpal::PathFromAnsi(Expand(named));
    return winpal::PathFromAnsi(Expand(kDefaultFile));
}

}  // namespace wab
