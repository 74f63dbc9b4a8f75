// Folders.dbx: the folder tree of a store. Listing, and crash-safe folder changes that keep the
// three indexes (by id; by parent and name; the same over subscribed folders only), the parents'
// has-subfolders flag and the id counter as the mail client keeps them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/database.h"
#include "dbx/user_data.h"

namespace dbx {

inline constexpr uint32_t kRootFolderId = 0;
inline constexpr uint32_t kLocalFoldersId = 1;
inline constexpr uint32_t kNoParent = 0xFFFFFFFF;  // the root's parent

struct FolderInfo {
    uint32_t id = 0;
    uint32_t parent = 0;
    std::string name;
    std::string file;  // mailbox file name in the store folder; empty when none was made yet
    std::string account_id;
    uint32_t flags = 0;
    uint32_t messages = 0;
    uint32_t unread = 0;
    uint32_t special = 0;
    uint32_t type = 0;
    uint32_t record_address = 0;

    static FolderInfo FromRecord(const Record& record, uint32_t address);
};

struct NewFolder {
    std::string name;
    std::string file;   // mailbox file name, if there is one
    uint32_t type = 3;  // local
    uint32_t special = 0;
    uint32_t flags = 1;  // subscribed
    std::string account_id;
};

class FolderFile {
  public:
    static FolderFile Open(const std::filesystem::path& path, const OpenOptions& options = {});
    // A new Folders.dbx holding the root ("Outlook Express", id 0) and "Local Folders" (id 1);
    // fails with kInvalidArgument when the path exists.
    static FolderFile Create(const std::filesystem::path& path, const StoreInfo& info,
                             FileSystem* fs = nullptr);

    Database& database() { return *db_; }
    StoreInfo info() const { return DecodeStoreUserData(db_->user_data()); }

    enum class Order {
        kById,
        kByParentAndName,  // siblings together, in the store's order (by name, ignoring case)
    };
    // Every folder, the root included. Damaged records are skipped and listed in `issues`.
    std::vector<FolderInfo> List(IssueList* issues = nullptr, Order order = Order::kById);
    // The folders under `parent`, in the store's order (by name, ignoring case).
    std::vector<FolderInfo> Children(uint32_t parent);
    std::optional<FolderInfo> Find(uint32_t id);
    Record ReadRecord(uint32_t id);

    // Adds a folder under `parent` and returns its id (the header's counter + 1). Throws
    // kNotFound for a missing parent, kInvalidArgument for an empty name or a sibling of the
    // same name (ignoring case).
    uint32_t CreateFolder(uint32_t parent, const NewFolder& folder);
    // Moves the id counter up to `last_id`, so that the next new folder gets `last_id` + 1 and
    // the ids in between stay unused (the mail client gives a new store's special folders the
    // ids from 4 on). Nothing changes when the counter is there already. Throws
    // kInvalidArgument for an id in the reserved range.
    void AdvanceIdCounter(uint32_t last_id);
    void Rename(uint32_t id, std::string_view name);
    // Throws kInvalidArgument when `new_parent` is the folder itself or lies below it.
    void Move(uint32_t id, uint32_t new_parent);
    // Removes the folder and everything below it; returns what was removed (their mailbox files
    // are the caller's to delete). The root cannot be deleted.
    std::vector<FolderInfo> DeleteFolder(uint32_t id);
    void SetCounts(uint32_t id, uint32_t messages, uint32_t unread);
    void SetFileName(uint32_t id, std::string_view file);
    void Compact();

  private:
    explicit FolderFile(std::unique_ptr<Database> db) : db_(std::move(db)) {}
    std::unique_ptr<Database> db_;
};

}  // namespace dbx
