// One identity's mail store: Folders.dbx with the folder tree, and one mailbox file per folder,
// in the store folder. Folder ids are the interface's: FOLDERID_ROOT stands for the store's
// "Local Folders" node, every other id is the folder's id in Folders.dbx. Only the local folders
// (those below "Local Folders") are reachable. Files changed or replaced by another program are
// read again before they are used. Methods throw dbx::Error (see store_errors.h).
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include <dbx/folder_file.h>
#include <dbx/message_file.h>
#include <oestore/msoeapi.h>

#include "file_stamp.h"

namespace oestore {

class MailStore {
  public:
    // Opens the store in `root`; a folder without Folders.dbx gets a new store laid out as
    // Outlook Express 6 lays out a new identity's: the folders Inbox, Outbox, Sent Items, Deleted
    // Items and Drafts (ids 4 to 8), with the mailboxes of Inbox and Outbox.
    static std::shared_ptr<MailStore> Open(const std::filesystem::path& root);

    const std::filesystem::path& root() const { return root_; }

    // The children of `parent` in the store's order, with their counts brought up to date.
    std::vector<FOLDERPROPS> SubFolders(STOREFOLDERID parent);
    FOLDERPROPS Props(STOREFOLDERID id);
    // The id of a special folder; throws kNotFound when the store lacks it.
    STOREFOLDERID SpecialFolder(SPECIALFOLDER type);

    HRESULT CreateFolder(STOREFOLDERID parent, std::string_view name, STOREFOLDERID* id);
    HRESULT RenameFolder(STOREFOLDERID id, std::string_view name);
    HRESULT MoveFolder(STOREFOLDERID id, STOREFOLDERID parent);
    // Deletes the folder, its subfolders and their mailbox files.
    HRESULT DeleteFolder(STOREFOLDERID id);
    // Compacts every mailbox and Folders.dbx; returns the first failure, compacting the rest.
    HRESULT CompactAll();

    // The folder's mailbox, open for reading and changing; made when the folder has none yet,
    // opened again when the file on disk is no longer the one read.
    dbx::MessageFile& Mailbox(STOREFOLDERID id);
    // After a change to the folder's mailbox: records its message and unread counts.
    void MailboxChanged(STOREFOLDERID id);

  private:
    explicit MailStore(std::filesystem::path root, dbx::FolderFile folders);
    static void CreateDefaultFolders(dbx::FolderFile& folders);

    dbx::FolderFile& Folders();
    // The reachable folder with this interface id; throws kNotFound.
    dbx::FolderInfo Folder(STOREFOLDERID id);
    bool Reachable(const dbx::FolderInfo& folder);
    FOLDERPROPS PropsOf(dbx::FolderInfo folder, size_t subFolderCount);
    void RefreshCounts(dbx::FolderInfo& folder);
    void RecordCounts(dbx::FolderInfo& folder, dbx::MessageFile& mailbox);
    bool FileNameInUse(std::string_view file);
    void MakeMailboxFile(dbx::FolderInfo& folder);
    std::filesystem::path MailboxPath(const dbx::FolderInfo& folder) const;

    struct OpenMailbox {
        std::filesystem::path path;
        FileStamp stamp;
        std::unique_ptr<dbx::MessageFile> file;
    };

    std::filesystem::path root_;
    dbx::FolderFile folders_;
    std::map<uint32_t, OpenMailbox> mailboxes_;
    std::map<uint32_t, FileStamp> counted_;  // the mailbox state the recorded counts come from
};

// Interface ids and Folders.dbx ids.
uint32_t StoreFolderId(STOREFOLDERID id);
STOREFOLDERID InterfaceFolderId(uint32_t storeId);

}  // namespace oestore
