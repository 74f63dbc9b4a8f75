// Paths between the program's wide text and the file system: a path text may use "\" or "/" as
// its separator; on disk the names are UTF-8 and the separator is "/".
#pragma once

#include <QString>
#include <filesystem>
#include <system_error>

namespace paths {

constexpr char16_t kSeparator = u'/';

inline std::filesystem::path ToFs(QString path) {
    path.replace(u'\\', kSeparator);
    return std::filesystem::path(path.toStdString());
}

// A listed file's path: as written when something of exactly that name exists (on Linux "\" is
// a legal character of a file name), otherwise read with "\" as a separator too.
inline std::filesystem::path ToFsListed(const QString& path) {
    std::filesystem::path literal(path.toStdString());
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(literal, ec)))
        return literal;
    return ToFs(path);
}

// `name` in `folder`, with one separator between them; `name` alone when `folder` is empty.
inline QString InFolder(const QString& folder, const QString& name) {
    if (folder.isEmpty() || folder.endsWith(kSeparator) || folder.endsWith(u'\\'))
        return folder + name;
    return folder + kSeparator + name;
}

inline QString FromFs(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace paths
