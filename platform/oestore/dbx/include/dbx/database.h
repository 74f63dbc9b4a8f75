// An open .dbx file of either supported table kind: header, user data, index definitions and
// filters, and checked access to records, tree nodes and message text. MessageFile and
// FolderFile build on it; changes go through a Transaction (transaction.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/error.h"
#include "dbx/file_reader.h"
#include "dbx/file_system.h"
#include "dbx/header.h"
#include "dbx/record.h"
#include "dbx/schema.h"
#include "dbx/tree_node.h"

namespace dbx {

struct OpenOptions {
    bool writable = false;
    FileSystem* fs = nullptr;  // the system's files when null
};

struct IndexInfo {
    IndexDefinition definition;
    std::string filter_text;
    IndexFilter filter = IndexFilter::kAll;
};

class Database {
  public:
    // Opens a message or folder table. Throws kUnsupported (naming the kind) for the other
    // DirectDB tables, kCorrupt for a damaged header, kIo when the file cannot be opened. A
    // change interrupted by a crash is completed first (or, read-only, read as completed). A path
    // that names a symbolic link opens the file it leads to; path() is that file's.
    static std::unique_ptr<Database> Open(const std::filesystem::path& path,
                                          const OpenOptions& options = {});
    ~Database();

    const std::filesystem::path& path() const { return path_; }
    FileSystem& fs() { return *fs_; }
    File& file() { return *file_; }
    FileReader& reader() { return *reader_; }
    bool writable() const { return writable_; }

    TableKind kind() const { return kind_; }
    const TableSchema& schema() const { return *schema_; }
    const FileHeader& header() const { return header_; }
    const std::string& user_data() const { return user_data_; }
    const std::vector<IndexInfo>& indexes() const { return indexes_; }
    // Problems found while opening that do not stop reading (e.g. an unreadable filter).
    const IssueList& open_issues() const { return open_issues_; }

    // Checked reads of single objects; throw kCorrupt naming the object and its address.
    Record ReadRecord(uint32_t address);
    TreeNode ReadNode(uint32_t address);
    // The address of the first record in `index` whose key equals the key of `probe` (a record
    // holding just the key columns).
    std::optional<uint32_t> FindRecord(int index, const Record& probe);

    // Whether the file at the path is no longer the one read: replaced by another file, changed
    // by another process, or carrying a journal.
    bool ChangedOnDisk();
    // Opens the path again and re-reads everything.
    void Reload();
    // Holds the lock between writers while it lives. Refuses a file open for reading only, and
    // re-reads the file first when it changed on disk.
    class ChangeLock {
      public:
        explicit ChangeLock(Database& db);
        ~ChangeLock() { db_.file_->Unlock(); }
        ChangeLock(const ChangeLock&) = delete;
        ChangeLock& operator=(const ChangeLock&) = delete;

      private:
        Database& db_;
    };

  private:
    friend class Transaction;
    Database() = default;
    void OpenFile();
    void Load();

    std::filesystem::path path_;
    FileSystem* fs_ = nullptr;
    bool writable_ = false;
    std::unique_ptr<File> file_;
    std::unique_ptr<FileReader> reader_;
    TableKind kind_ = TableKind::kUnknown;
    const TableSchema* schema_ = nullptr;
    FileHeader header_;
    std::string user_data_;
    std::vector<IndexInfo> indexes_;
    IssueList open_issues_;
};

// Reads the filter string object at `address` (marker, stored length, NUL-terminated text).
std::string ReadFilterString(FileReader& reader, uint32_t address);
// The stored length of a filter string: the text and its NUL, rounded up to whole dwords. The
// object adds an 8-byte head (marker and this length).
inline uint32_t StoredFilterLength(std::string_view text) {
    return static_cast<uint32_t>((text.size() + 1 + 3) & ~size_t{3});
}

}  // namespace dbx
