#include "dbx/folder_file.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "dbx/file_builder.h"
#include "dbx/index_cursor.h"
#include "dbx/message_file.h"
#include "table_file.h"
#include "transaction.h"

namespace dbx {

namespace {

Record SiblingProbe(uint32_t parent, std::string_view name) {
    Record probe;
    probe.SetDword(fldcol::kParent, parent);
    probe.SetString(fldcol::kName, name);
    return probe;
}

// Sets a number column the way the mail client stores it: absent when 0.
void SetNumber(Record& record, uint8_t column, uint32_t value) {
    if (value) {
        record.SetDword(column, value);
    } else {
        record.Erase(column);
    }
}

[[noreturn]] void ThrowNoFolder(const Database& db, uint32_t id) {
    throw Error(ErrorCode::kNotFound,
                db.path().string() + " holds no folder with id " + std::to_string(id));
}

// Every folder record as the committed file has it, in the order of `index`.
std::vector<FolderInfo> ReadAll(Database& db, IssueList* issues, int index = 0) {
    std::vector<FolderInfo> folders;
    IndexCursor cursor(db, index, issues);
    uint32_t address = 0;
    while (cursor.Next(address)) {
        try {
            folders.push_back(FolderInfo::FromRecord(db.ReadRecord(address), address));
        } catch (const Error& error) {
            if (!issues || !error.issue())
                throw;
            issues->issues.push_back(*error.issue());
        }
    }
    return folders;
}

// A changing Folders.dbx: the transaction plus the folder table as it was when it began.
struct FolderChange {
    Transaction tx;
    std::vector<FolderInfo> folders;

    explicit FolderChange(Database& db) : tx(db), folders(ReadAll(db, nullptr)) {}

    std::pair<uint32_t, Record> Load(uint32_t id) {
        std::optional<uint32_t> address = tx.FindRecord(0, detail::IdProbe(id));
        if (!address)
            ThrowNoFolder(tx.db(), id);
        return {*address, tx.ReadRecord(*address)};
    }

    // Rewrites the folder's record with `change` applied; false when that changes nothing.
    bool Update(uint32_t id, const std::function<void(Record&)>& change) {
        auto [address, record] = Load(id);
        Record updated = record;
        change(updated);
        if (updated == record)
            return false;
        tx.ReplaceRecord(address, record, std::move(updated));
        return true;
    }

    void CheckSiblingName(uint32_t parent, std::string_view name, uint32_t except) {
        if (name.empty())
            throw Error(ErrorCode::kInvalidArgument, "a folder needs a name");
        if (std::optional<uint32_t> other = tx.FindRecord(1, SiblingProbe(parent, name))) {
            if (tx.ReadRecord(*other).Dword(fldcol::kId) != except) {
                throw Error(ErrorCode::kInvalidArgument,
                            "a folder named \"" + std::string(name) + "\" already exists there");
            }
        }
    }

    size_t ChildCount(uint32_t parent, uint32_t except) const {
        return static_cast<size_t>(
            std::count_if(folders.begin(), folders.end(), [&](const FolderInfo& f) {
                return f.parent == parent && f.id != except && f.id != parent;
            }));
    }

    // Keeps the has-subfolders flag of `parent` in step with whether it has children.
    void MarkParent(uint32_t parent, bool has_children) {
        if (parent == kNoParent)
            return;
        Update(parent, [&](Record& record) {
            uint32_t flags = record.Dword(fldcol::kFlags);
            flags =
                has_children ? flags | fldflag::kHasSubfolders : flags & ~fldflag::kHasSubfolders;
            SetNumber(record, fldcol::kFlags, flags);
        });
    }
};

}  // namespace

FolderInfo FolderInfo::FromRecord(const Record& record, uint32_t address) {
    FolderInfo info;
    info.id = record.Dword(fldcol::kId);
    info.parent = record.Dword(fldcol::kParent);
    info.name = record.String(fldcol::kName);
    info.file = record.String(fldcol::kFile);
    info.account_id = record.String(fldcol::kAccountId);
    info.flags = record.Dword(fldcol::kFlags);
    info.messages = record.Dword(fldcol::kMessages);
    info.unread = record.Dword(fldcol::kUnread);
    info.special = record.Dword(fldcol::kSpecial);
    info.type = record.Dword(fldcol::kType);
    info.record_address = address;
    return info;
}

FolderFile FolderFile::Open(const std::filesystem::path& path, const OpenOptions& options) {
    return FolderFile(detail::OpenTable(path, options, TableKind::kFolders, "the folder table"));
}

FolderFile FolderFile::Create(const std::filesystem::path& path, const StoreInfo& info,
                              FileSystem* fs) {
    return FolderFile(detail::CreateTable(
        path, TableKind::kFolders, EncodeStoreUserData(info), fs, [](FileBuilder& builder) {
            // The structural folders as a new profile has them.
            Record root;
            root.SetDword(fldcol::kParent, kNoParent);
            root.SetString(fldcol::kName, "Outlook Express");
            root.SetDword(fldcol::kFlags, 0x00800000 | fldflag::kHasSubfolders);
            root.SetDword(fldcol::kType, foldertype::kRoot);
            builder.AddRecord(root);
            Record local;
            local.SetDword(fldcol::kId, kLocalFoldersId);
            local.SetString(fldcol::kName, "Local Folders");
            local.SetString(fldcol::kAccountId, "LocalStore");
            local.SetDword(fldcol::kFlags,
                           0x00900000 | fldflag::kInOutlookExpress | fldflag::kSubscribed);
            local.SetDword(fldcol::kType, foldertype::kLocal);
            builder.AddRecord(local);
        }));
}

std::vector<FolderInfo> FolderFile::List(IssueList* issues, Order order) {
    return ReadAll(*db_, issues, order == Order::kById ? 0 : 1);
}

std::vector<FolderInfo> FolderFile::Children(uint32_t parent) {
    std::vector<FolderInfo> children;
    for (FolderInfo& folder : List(nullptr, Order::kByParentAndName)) {
        if (folder.parent == parent && folder.id != parent)
            children.push_back(std::move(folder));
    }
    return children;
}

std::optional<FolderInfo> FolderFile::Find(uint32_t id) {
    std::optional<uint32_t> address = db_->FindRecord(0, detail::IdProbe(id));
    if (!address)
        return std::nullopt;
    return FolderInfo::FromRecord(db_->ReadRecord(*address), *address);
}

Record FolderFile::ReadRecord(uint32_t id) {
    std::optional<uint32_t> address = db_->FindRecord(0, detail::IdProbe(id));
    if (!address)
        ThrowNoFolder(*db_, id);
    return db_->ReadRecord(*address);
}

uint32_t FolderFile::CreateFolder(uint32_t parent, const NewFolder& folder) {
    FolderChange change(*db_);
    change.Load(parent);
    change.CheckSiblingName(parent, folder.name, kNoParent);
    uint32_t id = change.tx.header().last_id() + 1;
    if (id == 0 || id >= kReservedIdMin)
        throw Error(ErrorCode::kFull, "no more folder ids");
    change.tx.header().Set(hdr::kLastId, id);
    Record record;
    record.SetDword(fldcol::kId, id);
    SetNumber(record, fldcol::kParent, parent);
    record.SetString(fldcol::kName, folder.name);
    if (!folder.file.empty())
        record.SetString(fldcol::kFile, folder.file);
    if (!folder.account_id.empty())
        record.SetString(fldcol::kAccountId, folder.account_id);
    SetNumber(record, fldcol::kFlags, folder.flags);
    SetNumber(record, fldcol::kSpecial, folder.special);
    SetNumber(record, fldcol::kType, folder.type);
    change.tx.InsertRecord(record);
    change.MarkParent(parent, true);
    change.tx.Commit();
    return id;
}

void FolderFile::AdvanceIdCounter(uint32_t last_id) {
    if (last_id >= kReservedIdMin)
        throw Error(ErrorCode::kInvalidArgument, "folder ids end below the reserved range");
    Transaction tx(*db_);
    if (tx.header().last_id() >= last_id)
        return;
    tx.header().Set(hdr::kLastId, last_id);
    tx.Commit();
}

void FolderFile::Rename(uint32_t id, std::string_view name) {
    FolderChange change(*db_);
    Record record = change.Load(id).second;
    change.CheckSiblingName(record.Dword(fldcol::kParent), name, id);
    change.Update(id, [&](Record& r) { r.SetString(fldcol::kName, name); });
    change.tx.Commit();
}

void FolderFile::Move(uint32_t id, uint32_t new_parent) {
    FolderChange change(*db_);
    Record record = change.Load(id).second;
    change.Load(new_parent);
    if (id == kRootFolderId)
        throw Error(ErrorCode::kInvalidArgument, "the root folder cannot move");
    // Walk up from the new parent: reaching the folder means moving it below itself.
    std::unordered_map<uint32_t, uint32_t> parent_of;
    for (const FolderInfo& folder : change.folders)
        parent_of[folder.id] = folder.parent;
    uint32_t at = new_parent;
    for (size_t steps = 0; steps <= change.folders.size(); ++steps) {
        if (at == id)
            throw Error(ErrorCode::kInvalidArgument, "a folder cannot move below itself");
        auto it = parent_of.find(at);
        if (it == parent_of.end() || at == kRootFolderId)
            break;
        at = it->second;
    }
    uint32_t old_parent = record.Dword(fldcol::kParent);
    if (old_parent == new_parent)
        return;
    change.CheckSiblingName(new_parent, record.String(fldcol::kName), id);
    change.Update(id, [&](Record& r) { SetNumber(r, fldcol::kParent, new_parent); });
    change.MarkParent(new_parent, true);
    change.MarkParent(old_parent, change.ChildCount(old_parent, id) > 0);
    change.tx.Commit();
}

std::vector<FolderInfo> FolderFile::DeleteFolder(uint32_t id) {
    if (id == kRootFolderId)
        throw Error(ErrorCode::kInvalidArgument, "the root folder cannot be deleted");
    FolderChange change(*db_);
    Record record = change.Load(id).second;
    // The folder and everything below it, found breadth first.
    std::vector<uint32_t> queue{id};
    for (size_t i = 0; i < queue.size(); ++i) {
        for (const FolderInfo& folder : change.folders) {
            if (folder.parent == queue[i] && folder.id != queue[i] &&
                std::find(queue.begin(), queue.end(), folder.id) == queue.end()) {
                queue.push_back(folder.id);
            }
        }
    }
    std::vector<FolderInfo> removed;
    for (uint32_t doomed : queue) {
        auto [address, doomed_record] = change.Load(doomed);
        removed.push_back(FolderInfo::FromRecord(doomed_record, address));
        change.tx.DeleteRecord(address, doomed_record);
    }
    uint32_t parent = record.Dword(fldcol::kParent);
    change.MarkParent(parent, change.ChildCount(parent, id) > 0);
    change.tx.Commit();
    return removed;
}

void FolderFile::SetCounts(uint32_t id, uint32_t messages, uint32_t unread) {
    FolderChange change(*db_);
    bool changed = change.Update(id, [&](Record& r) {
        SetNumber(r, fldcol::kMessages, messages);
        SetNumber(r, fldcol::kUnread, unread);
    });
    if (changed)
        change.tx.Commit();
}

void FolderFile::SetFileName(uint32_t id, std::string_view file) {
    FolderChange change(*db_);
    bool changed = change.Update(id, [&](Record& r) {
        if (file.empty()) {
            r.Erase(fldcol::kFile);
        } else {
            r.SetString(fldcol::kFile, file);
        }
    });
    if (changed)
        change.tx.Commit();
}

void FolderFile::Compact() {
    CompactDatabase(*db_);
}

}  // namespace dbx
