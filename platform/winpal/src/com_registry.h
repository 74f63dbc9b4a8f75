// Reading the class registrations under HKEY_CLASSES_ROOT (or another root key that names a
// server's file, such as HKEY_LOCAL_MACHINE for the address book's DLLPath).
#pragma once

#include <optional>
#include <string>

#include <winpal/registry.h>
#include <winpal/types.h>

namespace winpal::detail {

// The value `name` (null: the default value) of HKEY_CLASSES_ROOT\<subKey> up to its first NUL,
// with its type in `type`; nothing when the key or the value is missing. A value that grows
// between the size query and the read is read again.
std::optional<std::string> ReadClassesValue(const std::string& subKey, const char* name,
                                            DWORD* type, HKEY root = HKEY_CLASSES_ROOT);

// The default value of HKEY_CLASSES_ROOT\<subKey> as ANSI text, with a REG_EXPAND_SZ value's
// variables expanded; false when the key or value is missing, empty or not text.
bool ReadClassesRootDefault(const std::string& subKey, std::string* text,
                            HKEY root = HKEY_CLASSES_ROOT);

}  // namespace winpal::detail
