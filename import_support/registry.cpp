#include "import_support/registry.h"

#include <cstring>
#include <vector>

#include <winpal/registry.h>

#include "import_support/Desktop.h"
#include "import_support/VbText.h"

namespace registry {

QString BrowseForFolder(Desktop& desktop, const QString& title) {
    return desktop.BrowseForFolder(title);
}

QVariant QueryRegValue(std::uint32_t root, const QString& subkey, const QString& valueName) {
    const QVariant empty = QString();
    HKEY key = nullptr;
    HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
    if (RegOpenKeyExA(rootKey, vb::ToAnsi(subkey).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return empty;
    }
    std::string name = vb::ToAnsi(valueName);
    QVariant result = empty;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        if (type == REG_SZ && size == 0) {
            result = QString();
        } else if (type == REG_SZ) {
            std::vector<char> text(size);
            if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
                result = vb::FromAnsi(std::string(text.data(), ::strnlen(text.data(), size)));
            }
        } else if (type == REG_DWORD) {
            std::int32_t number = 0;
            DWORD numberSize = sizeof number;
            if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&number), &numberSize) == ERROR_SUCCESS) {
                result = number;
            }
        }
    }
    RegCloseKey(key);
    return result;
}

QString FileNameOfPath(const QString& path) {
    qsizetype separator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(separator + 1);
}

}  // namespace registry
