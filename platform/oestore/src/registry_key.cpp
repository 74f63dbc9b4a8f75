#include "registry_key.h"

#include <vector>

namespace oestore {

RegistryKey::~RegistryKey() {
    if (key_)
        RegCloseKey(key_);
}

std::optional<RegistryKey> RegistryKey::Open(HKEY parent, std::string_view path) {
    RegistryKey key;
    if (RegOpenKeyExA(parent, std::string(path).c_str(), 0, KEY_READ, &key.key_) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return key;
}

std::optional<RegistryKey> RegistryKey::Create(HKEY parent, std::string_view path) {
    RegistryKey key;
    if (RegCreateKeyExA(parent, std::string(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key.key_, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return key;
}

std::optional<std::string> RegistryKey::ReadText(std::string_view name) const {
    const std::string valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key_, valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data.data());
}

std::optional<std::string> RegistryKey::Subkey(DWORD index) const {
    std::vector<char> name(256);
    for (;;) {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG result =
            RegEnumKeyExA(key_, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_SUCCESS)
            return std::string(name.data(), length);
        if (result != ERROR_MORE_DATA || name.size() > 65536)
            return std::nullopt;
        name.resize(name.size() * 2);
    }
}

bool RegistryKey::WriteText(std::string_view name, std::string_view text, DWORD type) const {
    const std::string data(text);
    return RegSetValueExA(key_, std::string(name).c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace oestore
