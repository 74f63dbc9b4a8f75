// The folder chooser, a single-value registry read and the last component of a path.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>

class Desktop;

namespace registry {

// The chosen folder's path, or empty text when the user cancels or anything fails.
QString BrowseForFolder(Desktop& desktop, const QString& title);

// The value `valueName` of `root`\`subkey`: its text (REG_SZ, up to the first NUL) or its 32-bit
// integer (REG_DWORD); empty text when the key or value cannot be read or has another type.
QVariant QueryRegValue(std::uint32_t root, const QString& subkey, const QString& valueName);

// The text after the last path separator ("\" or "/"); the whole text when there is none.
QString FileNameOfPath(const QString& path);

}  // namespace registry
