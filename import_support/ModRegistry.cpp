#include "import_support/ModRegistry.h"

#include <array>
#include <cstring>
#include <vector>

#include <winpal/registry.h>

#include "import_support/Desktop.h"
#include "import_support/VbText.h"

namespace ModRegistry {

namespace {

constexpr DWORD kNameBufferChars = 260;
constexpr DWORD kFirstDataBufferBytes = 4096;
const QString kApplicationTitle = QStringLiteral("Ferrydeck");

HKEY ToHkey(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
}

// Opens the key named by a full path for reading; null when it cannot be opened.
HKEY OpenForReading(const QString& fullPath, Desktop& desktop) {
    QString path = fullPath;
    std::uint32_t root = 0;
    SplitRegPath(path, root, desktop);
    if (root == 0)
        return nullptr;
    HKEY key = nullptr;
    if (RegOpenKeyExA(ToHkey(root), vb::ToAnsi(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

// Text up to the first NUL, or all of it.
std::string CutAtNul(const char* text, std::size_t size) {
    return std::string(text, ::strnlen(text, size));
}

QVariant ValueData(DWORD type, const std::vector<BYTE>& data, DWORD size) {
    const char* bytes = reinterpret_cast<const char*>(data.data());
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            // The stored text without its terminating NUL (a value stored without one is kept
            // whole rather than losing its last character).
            DWORD length = size > 0 && bytes[size - 1] == '\0' ? size - 1 : size;
            return vb::FromAnsi(std::string(bytes, length));
        }
        case REG_DWORD: {
            std::int32_t number = 0;
            std::memcpy(&number, bytes, std::min<DWORD>(size, sizeof number));
            return number;
        }
        default: {
            // REG_BINARY and every other type: one character per byte.
            QString text;
            text.reserve(size);
            for (DWORD i = 0; i < size; ++i)
                text.append(QChar(static_cast<unsigned char>(bytes[i])));
            return text;
        }
    }
}

}  // namespace

std::uint32_t HiveFromName(const QString& name) {
    static const std::array<const char*, 7> kRoots = {
        "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    for (std::size_t i = 0; i < kRoots.size(); ++i) {
        if (name == QLatin1String(kRoots[i]))
            return 0x80000000u + static_cast<std::uint32_t>(i);
    }
    return 0;
}

void SplitRegPath(QString& path, std::uint32_t& root, Desktop& desktop) {
    qsizetype separator = path.indexOf(u'\\');
    if (!path.startsWith(QLatin1String("HKEY_")) || path.endsWith(u'\\')) {
        desktop.MsgBox(QStringLiteral("Incorrect Format:\n\n") + path, vb::vbOKOnly,
                       kApplicationTitle);
        root = 0;
        return;
    }
    if (separator < 0) {
        root = HiveFromName(path);
        path.clear();
    } else {
        root = HiveFromName(path.left(separator));
        path = path.mid(separator + 1);
    }
}

KeyedCollection<QString> EnumSubkeys(const QString& path, Desktop& desktop) {
    KeyedCollection<QString> names;
    HKEY key = OpenForReading(path, desktop);
    if (!key)
        return names;
    std::array<char, kNameBufferChars> buffer{};
    for (DWORD index = 0;; ++index) {
        DWORD chars = kNameBufferChars;
        LONG result =
            RegEnumKeyExA(key, index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
            break;
        QString name = vb::FromAnsi(CutAtNul(buffer.data(), buffer.size()));
        names.Add(name, name);
    }
    RegCloseKey(key);
    return names;
}

KeyedCollection<QVariant> EnumValues(const QString& path, Desktop& desktop) {
    KeyedCollection<QVariant> values;
    HKEY key = OpenForReading(path, desktop);
    if (!key)
        return values;
    std::array<char, kNameBufferChars> name{};
    std::vector<BYTE> data(kFirstDataBufferBytes);
    for (DWORD index = 0;; ++index) {
        DWORD nameChars = kNameBufferChars;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG result =
            RegEnumValueA(key, index, name.data(), &nameChars, nullptr, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA) {
            data.resize(size);
            nameChars = kNameBufferChars;
            result = RegEnumValueA(key, index, name.data(), &nameChars, nullptr, &type, data.data(),
                                   &size);
        }
        if (result != ERROR_SUCCESS)
            break;
        QString valueName = vb::FromAnsi(std::string(name.data(), nameChars));
        values.Add(ValueData(type, data, size), valueName);
    }
    RegCloseKey(key);
    return values;
}

}  // namespace ModRegistry
