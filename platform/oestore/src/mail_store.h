// One identity's mail store: Folders.dbx with the folder tree, and one mailbox file per folder,
// in the store folder. Folder ids are the interface's: FOLDERID_ROOT stands for the store's
// "Local Folders" node, every other id is the folder's id in Folders.dbx. Only the local folders
// (those below "Local Folders") are reachable. Files changed or replaced by another program are
// read again before they are used. Methods throw dbx::Error (see store_errors.h).
//
// Each folder's message and unread counts live in its Folders.dbx record, as the mail client
// keeps them. Folders.dbx.counts (dbx/folder_counts.h) remembers the state of the mailbox file
// each count was taken from, so a mailbox is read again only when its file changed since.
//
// Every file is reached through one dbx::FileSystem, so that tests can stop or fail any write.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <dbx/file_system.h>
#include <dbx/folder_counts.h>
#include <dbx/folder_file.h>
#include <dbx/message_file.h>
#include <oestore/msoeapi.h>

#include "file_stamp.h"

namespace oestore {

class MailStore {
  public:
    // Opens the store in the existing folder `root`; a folder without Folders.dbx gets a new
    // store laid out as Outlook Express 6 lays out a new identity's: the folders Inbox, Outbox,
    // Sent Items, Deleted Items and Drafts (ids 4 to 8), with the mailboxes of Inbox and Outbox.
    // Folders.dbx is built under another name, flushed, and renamed into place with the folder
    // flushed; a store whose making was interrupted is finished by the next Open.
    static std::shared_ptr<MailStore> Open(const std::filesystem::path& root,
                                           dbx::FileSystem& fs = dbx::SystemFileSystem());

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
    MailStore(std::filesystem::path root, dbx::FileSystem& fs, dbx::FolderFile folders);
    static void CreateDefaultFolders(dbx::FolderFile& folders);
    static void CreateFoldersFile(const std::filesystem::path& path, dbx::FileSystem& fs);

    dbx::FolderFile& Folders();
    // The reachable folder with this interface id; throws kNotFound.
    dbx::FolderInfo Folder(STOREFOLDERID id);
    bool Reachable(const dbx::FolderInfo& folder);
    FOLDERPROPS PropsOf(dbx::FolderInfo folder, size_t subFolderCount);
    void RefreshCounts(dbx::FolderInfo& folder);
    // Counts the mailbox's messages into Folders.dbx and remembers `stamp` as their source.
    void RecordCounts(dbx::FolderInfo& folder, dbx::MessageFile& mailbox,
                      const std::optional<dbx::MailboxStamp>& stamp);
    void SaveCountStamps();
    bool FileNameInUse(std::string_view file);
    void MakeMailboxFile(dbx::FolderInfo& folder);
    // A file name for a folder's mailbox that no other folder or file uses and whose companion
    // files' names fit the file system.
    std::string NewMailboxFileName(const std::string& folderName);
    // Throws kCorrupt when the folder's FILE column is not a file name of the store folder.
    std::filesystem::path MailboxPath(const dbx::FolderInfo& folder) const;
    dbx::OpenOptions Writable() const;

    struct OpenMailbox {
        std::filesystem::path path;
        FileStamp stamp;
        std::unique_ptr<dbx::MessageFile> file;
    };

    std::filesystem::path root_;
    dbx::FileSystem& fs_;
    dbx::FolderFile folders_;
    std::map<uint32_t, OpenMailbox> mailboxes_;
    // The mailbox states the counts in Folders.dbx come from, as Folders.dbx.counts holds them.
    std::map<uint32_t, dbx::CountedFolder> counted_;
    bool countsChanged_ = false;
};

// Interface ids and Folders.dbx ids.
uint32_t StoreFolderId(STOREFOLDERID id);
STOREFOLDERID InterfaceFolderId(uint32_t storeId);

}  // namespace oestore
