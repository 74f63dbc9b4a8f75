// Small helpers over HKEY_CLASSES_ROOT for the registration code.
#pragma once

#include <optional>
#include <string>

#include <winpal/types.h>

namespace olectl::detail {

// Creates `subKey` (and its parents) and sets its value `valueName` (null: the default value)
// to the text `text`.
bool SetClassesText(const std::string& subKey, const char* valueName, const std::string& text);
bool CreateClassesKey(const std::string& subKey);
// The text of a value, when the key and the value exist.
std::optional<std::string> ClassesText(const std::string& subKey, const char* valueName);
// Deletes `subKey` with everything below it; a key that does not exist counts as deleted.
bool DeleteClassesTree(const std::string& subKey);
bool ClassesKeyHasSubkeys(const std::string& subKey);

// The file of the library `instance`, or empty text.
std::string ModulePath(HINSTANCE instance);

}  // namespace olectl::detail
