// The consistency check of a file: every rule a well-formed file follows, from object markers
// and pointer bounds through tree order, counts and parents, index membership, record packing,
// text chains and the header's byte accounting, to the file length. Each finding names the
// structure and offset.
#pragma once

#include <cstdint>
#include <filesystem>

#include "dbx/database.h"
#include "dbx/folder_file.h"

namespace dbx {

struct CheckReport {
    IssueList findings;
    uint64_t records = 0;
    uint64_t tree_nodes = 0;
    uint64_t stream_blocks = 0;
    uint64_t free_blocks = 0;
    bool clean() const { return findings.empty(); }
};

CheckReport CheckDatabase(Database& db);

// Folders.dbx against the mailbox files in `store_dir`: each file's user data (folder id, type,
// special kind, account) and the folder's message and unread counts.
void CheckStoreLinks(FolderFile& folders, const std::filesystem::path& store_dir,
                     IssueList& findings);

}  // namespace dbx
