// Reading the class registrations under HKEY_CLASSES_ROOT.
#pragma once

#include <string>

namespace winpal::detail {

// The default value of HKEY_CLASSES_ROOT\<subKey> as ANSI text, with a REG_EXPAND_SZ value's
// variables expanded; false when the key or value is missing, empty or not text.
bool ReadClassesRootDefault(const std::string& subKey, std::string* text);

}  // namespace winpal::detail
