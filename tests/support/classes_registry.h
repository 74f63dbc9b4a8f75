// Reads registry entries under HKEY_CLASSES_ROOT for the registration tests.
#pragma once

#include <string>

#include <winpal/class_registration.h>
#include <winpal/registry.h>

namespace testsupport {

// The REG_SZ value of a key, as the registration code reads it.
using winpal::ClassesText;

inline bool ClassesKeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace testsupport
