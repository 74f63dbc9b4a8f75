// Reading registry keys named by one full path text ("HKEY_CURRENT_USER\Identities"): the root
// key from its name, a key's subkey names, and a key's values. Every access is a read.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>

#include "import_support/KeyedCollection.h"

class Desktop;

namespace ModRegistry {

// The predefined root key named exactly (upper case) by `name`, or 0.
std::uint32_t HiveFromName(const QString& name);

// Splits a full key path: on return `path` holds the subkey path and `root` the root key. A path
// that does not start with "HKEY_" or that ends in "\" is reported in a message box and gives
// root 0 with `path` unchanged.
void SplitRegPath(QString& path, std::uint32_t& root, Desktop& desktop);

// The subkey names of the key, each under its own name as key; empty when it cannot be read.
KeyedCollection<QString> EnumSubkeys(const QString& path, Desktop& desktop);

// The values of the key, each under its name: REG_SZ / REG_EXPAND_SZ as text (not expanded),
// REG_BINARY as text with one character per byte, REG_DWORD as a 32-bit integer; empty when the
// key cannot be read.
KeyedCollection<QVariant> EnumValues(const QString& path, Desktop& desktop);

}  // namespace ModRegistry
