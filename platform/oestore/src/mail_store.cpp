#include "mail_store.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <dbx/file_names.h>
#include <dbx/filetime.h>
#include <dbx/text_case.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "folder_names.h"
#include "prefix_lock.h"
#include "store_errors.h"

namespace oestore {
namespace {

constexpr char kFoldersFile[] = "Folders.dbx";

// The special folders of a new store, in the order Outlook Express 6 makes them: with the ids
// from 4 on (2 and 3 stay unused), and a mailbox file named in Folders.dbx for Inbox and Outbox
// only; the others get theirs when first used.
constexpr uint32_t kLastIdBeforeSpecialFolders = 3;
struct DefaultFolder {
    const char* name;
    uint32_t special;
    bool hasMailbox;
};
constexpr std::array<DefaultFolder, 5> kDefaultFolders = {{
    {"Inbox", dbx::special::kInbox, true},
    {"Outbox", dbx::special::kOutbox, true},
    {"Sent Items", dbx::special::kSentItems, false},
    {"Deleted Items", dbx::special::kDeletedItems, false},
    {"Drafts", dbx::special::kDrafts, false},
}};

[[noreturn]] void ThrowNoFolder(STOREFOLDERID id) {
    throw dbx::Error(dbx::ErrorCode::kNotFound, "no folder " + std::to_string(id));
}

bool IsSpecial(const dbx::FolderInfo& folder) {
    return folder.special >= dbx::special::kInbox && folder.special <= dbx::special::kDrafts;
}

}  // namespace

uint32_t StoreFolderId(STOREFOLDERID id) {
    if (id == FOLDERID_ROOT)
        return dbx::kLocalFoldersId;
    // The store's own root and "Local Folders" are not folders of the interface.
    if (id == dbx::kLocalFoldersId)
        return dbx::kRootFolderId;
    return id;
}

STOREFOLDERID InterfaceFolderId(uint32_t storeId) {
    return storeId == dbx::kLocalFoldersId ? FOLDERID_ROOT : storeId;
}

MailStore::MailStore(std::filesystem::path root, dbx::FileSystem& fs, dbx::FolderFile folders)
    : root_(std::move(root)), fs_(fs), folders_(std::move(folders)) {
    for (const dbx::CountedFolder& counted :
         dbx::ReadFolderCounts(fs_, dbx::FolderCountsPath(root_ / kFoldersFile))) {
        counted_[counted.folder_id] = counted;
    }
}

dbx::OpenOptions MailStore::Writable() const {
    dbx::OpenOptions options;
    options.writable = true;
    options.fs = &fs_;
    return options;
}

// Built under another name (dbx::BuildingPath), flushed, renamed into place and the folder
// flushed, so that an interrupted creation never leaves a half-made Folders.dbx behind, and a
// finished one survives a power loss.
void MailStore::CreateFoldersFile(const std::filesystem::path& path, dbx::FileSystem& fs) {
    const std::filesystem::path building = dbx::BuildingPath(path);
    fs.Remove(building);
    {
        dbx::StoreInfo info;
        info.created = dbx::FileTimeNow();
        dbx::FolderFile folders = dbx::FolderFile::Create(building, info, &fs);
        CreateDefaultFolders(folders);
    }
    fs.Rename(building, path);
    fs.SyncDirectory(path.parent_path());
}

std::shared_ptr<MailStore> MailStore::Open(const std::filesystem::path& root, dbx::FileSystem& fs) {
    const std::filesystem::path foldersPath = root / kFoldersFile;
    if (!fs.Exists(foldersPath))
        CreateFoldersFile(foldersPath, fs);
    dbx::OpenOptions writable;
    writable.writable = true;
    writable.fs = &fs;
    dbx::FolderFile folders = dbx::FolderFile::Open(foldersPath, writable);
    CreateDefaultFolders(folders);
    std::shared_ptr<MailStore> store(new MailStore(root, fs, std::move(folders)));
    // Special folders that name a mailbox file get it when it is missing (a new store, or one
    // whose creation was interrupted).
    for (const dbx::FolderInfo& folder : store->Folders().Children(dbx::kLocalFoldersId)) {
        if (IsSpecial(folder) && !folder.file.empty() && !fs.Exists(store->MailboxPath(folder)))
            store->Mailbox(InterfaceFolderId(folder.id));
    }
    return store;
}

// Adds whichever of the five special folders the store lacks below "Local Folders"; in a new
// store they get the ids Outlook Express 6 gives them, elsewhere the next free ones.
void MailStore::CreateDefaultFolders(dbx::FolderFile& folders) {
    const std::vector<dbx::FolderInfo> present = folders.Children(dbx::kLocalFoldersId);
    for (const DefaultFolder& wanted : kDefaultFolders) {
        const bool found = std::any_of(present.begin(), present.end(), [&](const auto& folder) {
            return folder.special == wanted.special;
        });
        if (found)
            continue;
        folders.AdvanceIdCounter(kLastIdBeforeSpecialFolders);
        dbx::NewFolder folder;
        folder.name = wanted.name;
        if (wanted.hasMailbox)
            folder.file = MailboxFileName(wanted.name);
        folder.special = wanted.special;
        folders.CreateFolder(dbx::kLocalFoldersId, folder);
    }
}

dbx::FolderFile& MailStore::Folders() {
    if (folders_.database().ChangedOnDisk())
        folders_.database().Reload();
    return folders_;
}

bool MailStore::Reachable(const dbx::FolderInfo& folder) {
    dbx::FolderInfo at = folder;
    // A damaged file may hold a loop of parents; a real tree is far shallower than this.
    for (int depth = 0; depth < 1024; ++depth) {
        if (at.id == dbx::kLocalFoldersId)
            return true;
        if (at.id == dbx::kRootFolderId || at.parent == dbx::kNoParent)
            return false;
        const auto parent = Folders().Find(at.parent);
        if (!parent)
            return false;
        at = *parent;
    }
    return false;
}

dbx::FolderInfo MailStore::Folder(STOREFOLDERID id) {
    const uint32_t storeId = StoreFolderId(id);
    if (storeId == dbx::kRootFolderId)
        ThrowNoFolder(id);
    const auto folder = Folders().Find(storeId);
    if (!folder || !Reachable(*folder))
        ThrowNoFolder(id);
    return *folder;
}

std::filesystem::path MailStore::MailboxPath(const dbx::FolderInfo& folder) const {
    std::optional<std::filesystem::path> path = dbx::StoreFilePath(root_, folder.file, GetACP());
    if (!path) {
        throw dbx::Error(dbx::ErrorCode::kCorrupt, "the folder \"" + folder.name +
                                                       "\" names the file \"" + folder.file +
                                                       "\", which is not a file of the store");
    }
    return *path;
}

void MailStore::RecordCounts(dbx::FolderInfo& folder, dbx::MessageFile& mailbox,
                             const std::optional<dbx::MailboxStamp>& stamp) {
    uint32_t messages = 0;
    uint32_t unread = 0;
    for (const dbx::MessageInfo& message : mailbox.List()) {
        ++messages;
        if (!(message.flags & dbx::msgflag::kRead))
            ++unread;
    }
    if (messages != folder.messages || unread != folder.unread) {
        Folders().SetCounts(folder.id, messages, unread);
        folder.messages = messages;
        folder.unread = unread;
    }
    if (stamp) {
        counted_[folder.id] = {folder.id, *stamp, messages, unread};
    } else {
        counted_.erase(folder.id);
    }
    countsChanged_ = true;
}

// The counts in Folders.dbx stand while the mailbox file is in the state they were taken from
// (and nobody changed them since); otherwise the mailbox is counted again.
void MailStore::RefreshCounts(dbx::FolderInfo& folder) {
    if (folder.file.empty())
        return;
    try {
        const std::filesystem::path path = MailboxPath(folder);
        if (!fs_.Exists(path)) {
            if (folder.messages != 0 || folder.unread != 0)
                Folders().SetCounts(folder.id, 0, 0);
            folder.messages = folder.unread = 0;
            countsChanged_ = counted_.erase(folder.id) > 0 || countsChanged_;
            return;
        }
        // Taken before the messages are read: a change made meanwhile makes it stale.
        const std::optional<dbx::MailboxStamp> stamp = dbx::StampMailbox(fs_, path);
        const auto counted = counted_.find(folder.id);
        if (stamp && counted != counted_.end() && counted->second.stamp == *stamp &&
            counted->second.messages == folder.messages &&
            counted->second.unread == folder.unread) {
            return;
        }
        RecordCounts(folder, Mailbox(InterfaceFolderId(folder.id)), stamp);
    } catch (const dbx::Error&) {
        // A mailbox that cannot be read keeps the counts Folders.dbx has; opening the folder
        // reports the damage.
    }
}

// Folders.dbx.counts is a cache: failing to write it only means counting again next time.
void MailStore::SaveCountStamps() {
    if (!countsChanged_)
        return;
    std::vector<dbx::CountedFolder> counted;
    for (const auto& [id, folder] : counted_)
        counted.push_back(folder);
    try {
        dbx::WriteFolderCounts(fs_, dbx::FolderCountsPath(root_ / kFoldersFile), counted);
        countsChanged_ = false;
    } catch (const dbx::Error&) {
    }
}

FOLDERPROPS MailStore::PropsOf(dbx::FolderInfo folder, size_t subFolderCount) {
    RefreshCounts(folder);
    FOLDERPROPS props{};
    props.cbSize = sizeof(FOLDERPROPS);
    props.dwFolderId = InterfaceFolderId(folder.id);
    props.cSubFolders = static_cast<INT>(subFolderCount);
    props.sfType =
        IsSpecial(folder) ? static_cast<SPECIALFOLDER>(folder.special) : FOLDER_NOTSPECIAL;
    props.cUnread = folder.unread;
    props.cMessage = folder.messages;
    const size_t length = std::min<size_t>(folder.name.size(), CCHMAX_FOLDER_NAME - 1);
    std::memcpy(props.szName, folder.name.data(), length);
    props.szName[length] = '\0';
    return props;
}

// One read of the folder table gives the children and the number of subfolders of each, in the
// order FolderFile::Children lists them.
std::vector<FOLDERPROPS> MailStore::SubFolders(STOREFOLDERID parent) {
    const dbx::FolderInfo folder = Folder(parent);
    const std::vector<dbx::FolderInfo> all =
        Folders().List(nullptr, dbx::FolderFile::Order::kByParentAndName);
    std::map<uint32_t, size_t> subFolderCounts;
    for (const dbx::FolderInfo& entry : all) {
        if (entry.id != entry.parent)
            ++subFolderCounts[entry.parent];
    }
    std::vector<FOLDERPROPS> children;
    for (const dbx::FolderInfo& child : all) {
        if (child.parent == folder.id && child.id != folder.id)
            children.push_back(PropsOf(child, subFolderCounts[child.id]));
    }
    SaveCountStamps();
    return children;
}

FOLDERPROPS MailStore::Props(STOREFOLDERID id) {
    const dbx::FolderInfo folder = Folder(id);
    const FOLDERPROPS props = PropsOf(folder, Folders().Children(folder.id).size());
    SaveCountStamps();
    return props;
}

STOREFOLDERID MailStore::SpecialFolder(SPECIALFOLDER type) {
    for (const dbx::FolderInfo& folder : Folders().Children(dbx::kLocalFoldersId)) {
        if (IsSpecial(folder) && folder.special == static_cast<uint32_t>(type)) {
            return InterfaceFolderId(folder.id);
        }
    }
    ThrowNoFolder(static_cast<STOREFOLDERID>(type));
}

bool MailStore::FileNameInUse(std::string_view file) {
    for (const dbx::FolderInfo& folder : Folders().List()) {
        if (dbx::SameTextIgnoringCase(folder.file, file))
            return true;
    }
    // A file of the store folder whose name the code page cannot hold is no FILE column's.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
        const std::optional<std::string> column =
            dbx::StoreFileColumn(entry.path().filename(), GetACP());
        if (column && dbx::SameTextIgnoringCase(*column, file))
            return true;
    }
    return false;
}

std::string MailStore::NewMailboxFileName(const std::string& folderName) {
    // A name too long for the companion files is cut, a byte at a time, until it fits.
    std::string stem = folderName;
    for (int n = 0;; ++n) {
        const std::string suffix = n == 0 ? ".dbx" : " (" + std::to_string(n) + ").dbx";
        const std::string file = stem + suffix;
        const std::optional<std::filesystem::path> path = dbx::StoreFilePath(root_, file, GetACP());
        if ((!path || !dbx::CompanionNamesFit(*path)) && !stem.empty()) {
            stem.pop_back();
            n = -1;
            continue;
        }
        if (path && !FileNameInUse(file))
            return file;
    }
}

HRESULT MailStore::CreateFolder(STOREFOLDERID parent, std::string_view name, STOREFOLDERID* id) {
    if (const HRESULT hr = CheckFolderName(name); FAILED(hr))
        return hr;
    const dbx::FolderInfo parentFolder = Folder(parent);
    for (const dbx::FolderInfo& sibling : Folders().Children(parentFolder.id)) {
        if (dbx::SameTextIgnoringCase(sibling.name, name))
            return kNameInUse;
    }
    dbx::NewFolder folder;
    folder.name = std::string(name);
    folder.file = MailboxFileName(name);
    if (FileNameInUse(folder.file))
        return kNameInUse;
    const uint32_t newId = Folders().CreateFolder(parentFolder.id, folder);
    try {
        dbx::MessageFileInfo info;
        info.folder_id = newId;
        info.folder_name = folder.name;
        dbx::FolderInfo made;
        made.name = folder.name;
        made.file = folder.file;
        dbx::MessageFile::Create(MailboxPath(made), info, &fs_);
    } catch (...) {
        Folders().DeleteFolder(newId);
        throw;
    }
    if (id)
        *id = InterfaceFolderId(newId);
    return S_OK;
}

HRESULT MailStore::RenameFolder(STOREFOLDERID id, std::string_view name) {
    const dbx::FolderInfo folder = Folder(id);
    if (id == FOLDERID_ROOT || IsSpecial(folder))
        return kFolderFixed;
    if (const HRESULT hr = CheckFolderName(name); FAILED(hr))
        return hr;
    for (const dbx::FolderInfo& sibling : Folders().Children(folder.parent)) {
        if (sibling.id != folder.id && dbx::SameTextIgnoringCase(sibling.name, name))
            return kNameInUse;
    }
    Folders().Rename(folder.id, name);
    return S_OK;
}

HRESULT MailStore::MoveFolder(STOREFOLDERID id, STOREFOLDERID parent) {
    const dbx::FolderInfo folder = Folder(id);
    if (id == FOLDERID_ROOT || IsSpecial(folder))
        return kFolderFixed;
    const dbx::FolderInfo newParent = Folder(parent);
    if (newParent.id == folder.parent)
        return S_OK;
    for (const dbx::FolderInfo& sibling : Folders().Children(newParent.id)) {
        if (dbx::SameTextIgnoringCase(sibling.name, folder.name))
            return kNameInUse;
    }
    Folders().Move(folder.id, newParent.id);
    return S_OK;
}

HRESULT MailStore::DeleteFolder(STOREFOLDERID id) {
    const dbx::FolderInfo folder = Folder(id);
    if (id == FOLDERID_ROOT || IsSpecial(folder))
        return kFolderFixed;
    for (const dbx::FolderInfo& removed : Folders().DeleteFolder(folder.id)) {
        mailboxes_.erase(removed.id);
        countsChanged_ = counted_.erase(removed.id) > 0 || countsChanged_;
        if (removed.file.empty())
            continue;
        try {
            fs_.Remove(MailboxPath(removed));
        } catch (const dbx::Error&) {
            // The folder is gone; a file that stays behind is only unused.
        }
    }
    SaveCountStamps();
    return S_OK;
}

HRESULT MailStore::CompactAll() {
    HRESULT result = S_OK;
    for (const dbx::FolderInfo& folder : Folders().List()) {
        if (folder.file.empty() || !Reachable(folder))
            continue;
        const HRESULT hr = Guarded([&] {
            if (!fs_.Exists(MailboxPath(folder)))
                return S_OK;
            const STOREFOLDERID id = InterfaceFolderId(folder.id);
            Mailbox(id).Compact();
            MailboxChanged(id);
            return S_OK;
        });
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    const HRESULT hr = Guarded([&] {
        Folders().Compact();
        return S_OK;
    });
    return SUCCEEDED(result) ? hr : result;
}

// A folder the mail client made without a file yet gets one named after it, and a missing
// mailbox file is made empty. Another program may be doing the same for the same folder: one at
// a time, and whoever comes second uses what the first made.
void MailStore::MakeMailboxFile(dbx::FolderInfo& folder) {
    PrefixLock lock(kPrefixLockWait);
    if (!lock.Held())
        throw dbx::Error(dbx::ErrorCode::kIo, "the store is locked by another program",
                         EWOULDBLOCK);
    folder = Folder(InterfaceFolderId(folder.id));
    if (folder.file.empty()) {
        const std::string file = NewMailboxFileName(folder.name);
        Folders().SetFileName(folder.id, file);
        folder.file = file;
    }
    const std::filesystem::path path = MailboxPath(folder);
    if (!fs_.Exists(path)) {
        dbx::MessageFileInfo info;
        info.folder_id = folder.id;
        info.folder_name = folder.name;
        info.special = IsSpecial(folder) ? folder.special : 0;
        dbx::MessageFile::Create(path, info, &fs_);
    }
}

dbx::MessageFile& MailStore::Mailbox(STOREFOLDERID id) {
    dbx::FolderInfo folder = Folder(id);
    if (folder.id == dbx::kLocalFoldersId)
        ThrowNoFolder(id);
    if (folder.file.empty() || !fs_.Exists(MailboxPath(folder)))
        MakeMailboxFile(folder);
    const std::filesystem::path path = MailboxPath(folder);
    OpenMailbox& slot = mailboxes_[folder.id];
    if (slot.file && (slot.path != path || !(slot.stamp == StampOf(path)) ||
                      slot.file->database().ChangedOnDisk())) {
        slot.file.reset();
    }
    if (!slot.file) {
        slot.file = std::make_unique<dbx::MessageFile>(dbx::MessageFile::Open(path, Writable()));
        slot.path = path;
        slot.stamp = StampOf(path);
    }
    return *slot.file;
}

void MailStore::MailboxChanged(STOREFOLDERID id) {
    dbx::FolderInfo folder = Folder(id);
    // The open mailbox made the change itself and is up to date: the new state of the file is no
    // reason to read it again.
    const std::filesystem::path path = MailboxPath(folder);
    mailboxes_[folder.id].stamp = StampOf(path);
    // The stamp is taken before the counts, so a change by another process in between leaves a
    // stamp that no longer matches and the counts are taken again, never stale ones kept.
    const std::optional<dbx::MailboxStamp> stamp = dbx::StampMailbox(fs_, path);
    RecordCounts(folder, Mailbox(id), stamp);
    SaveCountStamps();
}

}  // namespace oestore
