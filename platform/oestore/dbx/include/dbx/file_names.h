// File names around .dbx files.
//
// Beside a file it changes, the library makes NAME.journal (while a change is committed) and
// NAME.new (the new file a compaction or a MailboxWriter builds, renamed over NAME at the end).
// A file whose companion names do not fit the file system's limit cannot be changed.
//
// Folders.dbx names each folder's mailbox file (its FILE column) in the Windows code page of the
// machine that wrote it; here file names are UTF-8. Everything that goes from a FILE column to a
// file (the store, dbxtool) maps the name with StoreFilePath, and back with StoreFileColumn.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dbx {

// The longest file name, in bytes, that common Linux and Windows file systems accept.
inline constexpr size_t kMaxFileNameBytes = 255;

std::filesystem::path JournalPath(const std::filesystem::path& file);
std::filesystem::path BuildingPath(const std::filesystem::path& file);
// Whether the file's own name and both companion names fit kMaxFileNameBytes.
bool CompanionNamesFit(const std::filesystem::path& file);

// The iconv name of a Windows code page: 65001 is "UTF-8", 28591 "ISO-8859-1", others
// "WINDOWS-<n>" (1252: "WINDOWS-1252").
std::string CodePageCharset(unsigned code_page);

// The on-disk name of the file a FILE column names; nothing when the column is not a plain file
// name (empty, ".", "..", holding "/", "\" or a NUL), or holds bytes the code page lacks.
std::optional<std::string> StoreFileName(std::string_view file_column, unsigned code_page);
// The path in `store_dir` of that file; nothing as for StoreFileName.
std::optional<std::filesystem::path> StoreFilePath(const std::filesystem::path& store_dir,
                                                   std::string_view file_column,
                                                   unsigned code_page);
// The FILE column text of an on-disk name; nothing when the code page cannot hold it.
std::optional<std::string> StoreFileColumn(const std::filesystem::path& on_disk_name,
                                           unsigned code_page);

}  // namespace dbx
