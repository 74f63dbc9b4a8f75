// A small owner for registry keys and the few reads and writes the store needs, over the ANSI
// registry API.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <winpal/registry.h>

namespace oestore {

class RegistryKey {
  public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    ~RegistryKey();

    static std::optional<RegistryKey> Open(HKEY parent, std::string_view path);
    static std::optional<RegistryKey> Create(HKEY parent, std::string_view path);

    HKEY Get() const { return key_; }
    // A REG_SZ or REG_EXPAND_SZ value; nothing when missing or of another type.
    std::optional<std::string> ReadText(std::string_view name) const;
    // The name of the subkey at `index` in enumeration order.
    std::optional<std::string> Subkey(DWORD index) const;
    bool WriteText(std::string_view name, std::string_view text, DWORD type = REG_SZ) const;

  private:
    HKEY key_ = nullptr;
};

}  // namespace oestore
