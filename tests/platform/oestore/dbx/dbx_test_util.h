// Helpers shared by the .dbx library tests: the genuine sample files, generated messages, and
// snapshots of a file's content for before/after comparisons.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dbx/folder_file.h"
#include "dbx/message_file.h"

namespace dbxtest {

// The genuine Outlook Express sample files the project keeps in tests/data/dbx, with their
// licence. A sample that is missing fails the test that asks for it.
std::filesystem::path SamplesDir();
std::filesystem::path Sample(const std::string& name);

// A message of roughly `body_bytes` bytes whose headers and body depend on `n`.
std::string MakeMessage(uint32_t n, size_t body_bytes = 300);

// Copies a file into `dir` and returns the copy's path (samples are read-only).
std::filesystem::path CopyTo(const std::filesystem::path& file, const std::filesystem::path& dir);

// Everything a reader can see of a message file: every record (minus its text address) and text.
struct MessageSnapshot {
    dbx::Record record;
    std::string text;
    bool operator==(const MessageSnapshot&) const = default;
};
std::vector<MessageSnapshot> SnapshotMessages(dbx::MessageFile& file);
std::vector<dbx::Record> SnapshotFolders(dbx::FolderFile& file);

dbx::OpenOptions Writable(dbx::FileSystem* fs = nullptr);

// The messages the independent reader undbx extracts from `file` (each .eml file's content,
// sorted); nothing when undbx is not installed.
std::optional<std::vector<std::string>> ExtractWithUndbx(const std::filesystem::path& file,
                                                         const std::filesystem::path& work_dir);

// Every finding of the consistency check, one per line (empty when the file is clean).
std::string CheckFindings(const std::filesystem::path& file);
std::string CheckFindings(dbx::Database& db);

// Writes a mailbox of `count` generated messages in one pass; returns their texts by id order.
std::vector<std::string> WriteMailbox(const std::filesystem::path& path, uint32_t count,
                                      size_t body_bytes = 300);

}  // namespace dbxtest

// Readable failure messages for the library's values: a column as 0x2:'Inbox\x0' (stored
// apart) or 0x6=1 (in the entry), a mailbox's folder settings by field.
namespace dbx {
void PrintTo(const Column& column, std::ostream* out);
void PrintTo(const MessageFileInfo& info, std::ostream* out);
}  // namespace dbx
