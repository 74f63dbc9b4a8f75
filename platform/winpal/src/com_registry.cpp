#include "com_registry.h"

#include <vector>

#include <winpal/kernel.h>
#include <winpal/registry.h>

namespace winpal::detail {

std::optional<std::string> ReadClassesValue(const std::string& subKey, const char* name,
                                            DWORD* type, HKEY root) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    *type = REG_NONE;
    DWORD size = 0;
    std::vector<BYTE> data;
    LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    // The value may grow between the two calls when another process writes it.
    for (int attempt = 0; status == ERROR_SUCCESS; ++attempt) {
        data.assign(size + 1, 0);
        status = RegQueryValueExA(key, name, nullptr, type, data.data(), &size);
        if (status != ERROR_MORE_DATA || attempt == 3)
            break;
        status = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    std::string value(reinterpret_cast<const char*>(data.data()), size);
    value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
    return value;
}

bool ReadClassesRootDefault(const std::string& subKey, std::string* text, HKEY root) {
    DWORD type = REG_NONE;
    std::optional<std::string> read = ReadClassesValue(subKey, nullptr, &type, root);
    if (!read || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::string value = std::move(*read);
    if (type == REG_EXPAND_SZ) {
        DWORD needed = ExpandEnvironmentStringsA(value.c_str(), nullptr, 0);
        std::string expanded(needed, '\0');
        if (needed == 0 ||
            ExpandEnvironmentStringsA(value.c_str(), expanded.data(), needed) != needed) {
            return false;
        }
        expanded.resize(needed - 1);
        value = expanded;
    }
    if (value.empty())
        return false;
    *text = value;
    return true;
}

}  // namespace winpal::detail
