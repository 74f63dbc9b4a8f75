// dbxtool check and compact.
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "dbx/check.h"
#include "dbx/folder_file.h"
#include "dbx/message_file.h"

namespace dbxtool {

int Check(const Args& args) {
    auto db = dbx::Database::Open(args[0]);
    dbx::CheckReport report = dbx::CheckDatabase(*db);
    if (db->kind() == dbx::TableKind::kFolders) {
        // Folders.dbx is also checked against the mailbox files beside it.
        dbx::FolderFile folders = dbx::FolderFile::Open(args[0]);
        dbx::CheckStoreLinks(folders, db->path().parent_path(), report, StoreCodePage());
    }
    // Notes tell of differences that lose nothing; they never change the exit status.
    for (const dbx::Issue& issue : report.notes.issues)
        std::printf("note: %s\n", issue.ToString().c_str());
    for (const dbx::Issue& issue : report.findings.issues)
        std::printf("%s\n", issue.ToString().c_str());
    std::printf(
        "%s: %llu record(s), %llu tree node(s), %llu text block(s), %llu free block(s): %zu "
        "finding(s), %zu note(s)\n",
        args[0].c_str(), static_cast<unsigned long long>(report.records),
        static_cast<unsigned long long>(report.tree_nodes),
        static_cast<unsigned long long>(report.stream_blocks),
        static_cast<unsigned long long>(report.free_blocks), report.findings.issues.size(),
        report.notes.issues.size());
    return report.clean() ? 0 : 1;
}

int Compact(const Args& args) {
    dbx::OpenOptions options;
    options.writable = true;
    auto db = dbx::Database::Open(args[0], options);
    uint64_t before = db->reader().size();
    dbx::CompactDatabase(*db);
    std::printf("%s: %llu -> %llu bytes\n", db->path().c_str(),
                static_cast<unsigned long long>(before),
                static_cast<unsigned long long>(db->reader().size()));
    return 0;
}

}  // namespace dbxtool
