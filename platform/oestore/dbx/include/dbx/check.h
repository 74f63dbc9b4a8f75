// The consistency check of a file: every rule a well-formed file follows, from object markers
// and pointer bounds through tree order, counts and parents, index membership, record packing,
// text chains and the header's byte accounting, to the file length. Each problem names the
// structure and offset.
//
// A finding is what keeps the mail client or this library from reaching a message or a folder,
// or what would make the next change overwrite data: damaged or looping structures, indexes out
// of order or with wrong counts, objects outside the allocation area or on top of each other,
// broken free lists, an id counter behind the ids in use, a wrong format version (the mail
// client empties such a file). A note is a difference that files the mail client wrote show
// too and that loses nothing: a SIZE column that differs from the stored text (the client's own
// files often carry one), a text block before the last that is not full, the header's byte
// statistics, a file longer than its allocation area needs, and, between Folders.dbx and a
// mailbox file, the folder id, kind, account and counts (an imported mailbox keeps the ones of
// the folder it was copied from until the folder is first opened).
#pragma once

#include <cstdint>
#include <filesystem>

#include "dbx/database.h"
#include "dbx/folder_file.h"

namespace dbx {

struct CheckReport {
    IssueList findings;
    IssueList notes;
    uint64_t records = 0;
    uint64_t tree_nodes = 0;
    uint64_t stream_blocks = 0;
    uint64_t free_blocks = 0;
    bool clean() const { return findings.empty(); }
};

CheckReport CheckDatabase(Database& db);

// Folders.dbx against the mailbox files in `store_dir`: a named file that is missing or cannot
// be read is a finding; differences in its user data (folder id, type, special kind, account)
// and in the folder's message and unread counts are notes.
// File names map as dbx::StoreFilePath maps them, in `code_page`.
void CheckStoreLinks(FolderFile& folders, const std::filesystem::path& store_dir,
                     CheckReport& report, unsigned code_page = 1252);

}  // namespace dbx
