#include "mail_store.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <dbx/filetime.h>
#include <dbx/text_case.h>
#include <winpal/winpal.h>

#include "folder_names.h"
#include "prefix_lock.h"
#include "store_errors.h"

namespace oestore {
namespace {

constexpr char kFoldersFile[] = "Folders.dbx";
constexpr char kNewFoldersFile[] = "Folders.dbx.new";

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

dbx::OpenOptions Writable() {
    dbx::OpenOptions options;
    options.writable = true;
    return options;
}

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

MailStore::MailStore(std::filesystem::path root, dbx::FolderFile folders)
    : root_(std::move(root)), folders_(std::move(folders)) {}

std::shared_ptr<MailStore> MailStore::Open(const std::filesystem::path& root) {
    std::error_code error;
    std::filesystem::create_directories(root, error);
    const std::filesystem::path foldersPath = root / kFoldersFile;
    if (!std::filesystem::exists(foldersPath)) {
        // Built under another name and renamed into place, so that an interrupted creation
        // never leaves a half-made Folders.dbx behind.
        const std::filesystem::path building = root / kNewFoldersFile;
        std::filesystem::remove(building, error);
        {
            dbx::StoreInfo info;
            info.created = dbx::FileTimeNow();
            dbx::FolderFile folders = dbx::FolderFile::Create(building, info);
            CreateDefaultFolders(folders);
        }
        std::filesystem::rename(building, foldersPath, error);
        if (error) {
            throw dbx::Error(dbx::ErrorCode::kIo,
                             "cannot rename " + building.string() + ": " + error.message());
        }
    }
    dbx::FolderFile folders = dbx::FolderFile::Open(foldersPath, Writable());
    CreateDefaultFolders(folders);
    std::shared_ptr<MailStore> store(new MailStore(root, std::move(folders)));
    // Special folders that name a mailbox file get it when it is missing (a new store, or one
    // whose creation was interrupted).
    for (const dbx::FolderInfo& folder : store->Folders().Children(dbx::kLocalFoldersId)) {
        if (IsSpecial(folder) && !folder.file.empty() &&
            !std::filesystem::exists(store->MailboxPath(folder))) {
            store->Mailbox(InterfaceFolderId(folder.id));
        }
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
    return root_ / winpal::PathFromAnsi(folder.file);
}

void MailStore::RecordCounts(dbx::FolderInfo& folder, dbx::MessageFile& mailbox) {
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
}

void MailStore::RefreshCounts(dbx::FolderInfo& folder) {
    if (folder.file.empty())
        return;
    const FileStamp stamp = StampOf(MailboxPath(folder));
    auto counted = counted_.find(folder.id);
    if (counted != counted_.end() && counted->second == stamp)
        return;
    try {
        if (!stamp.exists) {
            if (folder.messages != 0 || folder.unread != 0)
                Folders().SetCounts(folder.id, 0, 0);
            folder.messages = folder.unread = 0;
        } else {
            RecordCounts(folder, Mailbox(InterfaceFolderId(folder.id)));
        }
        counted_[folder.id] = StampOf(MailboxPath(folder));
    } catch (const dbx::Error&) {
        // A mailbox that cannot be read keeps the counts Folders.dbx has; opening the folder
        // reports the damage.
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
    return children;
}

FOLDERPROPS MailStore::Props(STOREFOLDERID id) {
    const dbx::FolderInfo folder = Folder(id);
    return PropsOf(folder, Folders().Children(folder.id).size());
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
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
        if (dbx::SameTextIgnoringCase(winpal::AnsiFromPath(entry.path().filename()), file))
            return true;
    }
    return false;
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
        dbx::MessageFile::Create(root_ / winpal::PathFromAnsi(folder.file), info);
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
        counted_.erase(removed.id);
        if (removed.file.empty())
            continue;
        std::error_code error;
        std::filesystem::remove(MailboxPath(removed), error);
    }
    return S_OK;
}

HRESULT MailStore::CompactAll() {
    HRESULT result = S_OK;
    for (const dbx::FolderInfo& folder : Folders().List()) {
        if (folder.file.empty() || !Reachable(folder) ||
            !std::filesystem::exists(MailboxPath(folder))) {
            continue;
        }
        const HRESULT hr = Guarded([&] {
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
        std::string file = MailboxFileName(folder.name);
        for (int n = 1; FileNameInUse(file); ++n) {
            file = folder.name + " (" + std::to_string(n) + ").dbx";
        }
        Folders().SetFileName(folder.id, file);
        folder.file = file;
    }
    const std::filesystem::path path = MailboxPath(folder);
    if (!std::filesystem::exists(path)) {
        dbx::MessageFileInfo info;
        info.folder_id = folder.id;
        info.folder_name = folder.name;
        info.special = IsSpecial(folder) ? folder.special : 0;
        dbx::MessageFile::Create(path, info);
    }
}

dbx::MessageFile& MailStore::Mailbox(STOREFOLDERID id) {
    dbx::FolderInfo folder = Folder(id);
    if (folder.id == dbx::kLocalFoldersId)
        ThrowNoFolder(id);
    if (folder.file.empty() || !std::filesystem::exists(MailboxPath(folder)))
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
    const FileStamp stamp = StampOf(MailboxPath(folder));
    mailboxes_[folder.id].stamp = stamp;
    RecordCounts(folder, Mailbox(id));
    counted_[folder.id] = stamp;
}

}  // namespace oestore
