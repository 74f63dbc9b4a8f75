// The message and unread counts Folders.dbx keeps for each folder, and what tells whether they
// still hold: the state of the mailbox file they were taken from. A store keeps these records in
// Folders.dbx.counts beside Folders.dbx, so that opening it reads no mailbox that has not changed
// since its counts were taken. The file is a cache: when it is missing, damaged or out of date
// the mailboxes are counted again.
//
// Layout (little-endian): "OECOUNT" and the version byte '1'; a 4-byte entry count; the entries
// (folder id 4, device 8, inode 8, size 8, modification time 8, header digest 8, messages 4,
// unread 4); a CRC-32 (as zlib's) of everything before it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/file_system.h"

namespace dbx {

// One state of a mailbox file: which file the path names, its length, when it was last written
// and a digest of its header, whose counters every change moves.
struct MailboxStamp {
    FileId id;
    uint64_t size = 0;
    int64_t modified = 0;
    uint64_t header_digest = 0;
    bool operator==(const MailboxStamp&) const = default;
};

// The stamp of the file at `path`; nothing when it cannot be opened, or while a change to it is
// unfinished (its journal lies beside it).
std::optional<MailboxStamp> StampMailbox(FileSystem& fs, const std::filesystem::path& path);

struct CountedFolder {
    uint32_t folder_id = 0;
    MailboxStamp stamp;
    uint32_t messages = 0;
    uint32_t unread = 0;
    bool operator==(const CountedFolder&) const = default;
};

std::filesystem::path FolderCountsPath(const std::filesystem::path& folders_file);

std::string EncodeFolderCounts(const std::vector<CountedFolder>& folders);
// Nothing for bytes that are not a whole file of this layout.
std::optional<std::vector<CountedFolder>> DecodeFolderCounts(std::string_view bytes);

// Empty when the file is missing or unreadable.
std::vector<CountedFolder> ReadFolderCounts(FileSystem& fs, const std::filesystem::path& path);
// Writes a new file and renames it into place. It is not flushed: a crash that loses it only
// means counting again.
void WriteFolderCounts(FileSystem& fs, const std::filesystem::path& path,
                       const std::vector<CountedFolder>& folders);

}  // namespace dbx
