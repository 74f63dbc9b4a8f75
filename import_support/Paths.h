// Paths between the program's wide text and the file system: a path text may use "\" or "/" as
// its separator; on disk the names are UTF-8 and the separator is "/".
#pragma once

#include <QString>
#include <filesystem>

namespace paths {

constexpr char16_t kSeparator = u'/';

inline std::filesystem::path ToFs(QString path) {
    path.replace(u'\\', kSeparator);
    return std::filesystem::path(path.toStdString());
}

inline QString FromFs(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace paths
