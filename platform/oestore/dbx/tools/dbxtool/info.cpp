// dbxtool info: the header's counters and the folder settings in the user data.
#include <cstdio>

#include "commands.h"
#include "dbx/database.h"
#include "dbx/filetime.h"
#include "dbx/notification_log.h"
#include "dbx/user_data.h"

namespace dbxtool {

int Info(const Args& args) {
    auto db = dbx::Database::Open(args[0]);
    const dbx::FileHeader& h = db->header();
    std::printf("file:              %s\n", args[0].c_str());
    std::printf("table:             %s\n", dbx::DescribeTableKind(db->kind()).c_str());
    std::printf("file size:         %llu bytes\n",
                static_cast<unsigned long long>(db->reader().size()));
    std::printf("allocation end:    %s\n", dbx::Hex(h.allocation_end()).c_str());
    std::printf("last id:           %u\n", h.last_id());
    std::printf("records:           %u\n", h.record_count(0));
    for (size_t i = 0; i < db->indexes().size(); ++i) {
        const dbx::IndexInfo& index = db->indexes()[i];
        std::printf("index %zu:           %u entries, root %s, keys", i,
                    h.record_count(static_cast<int>(i)),
                    dbx::Hex(h.root(static_cast<int>(i))).c_str());
        for (const dbx::IndexKey& key : index.definition.keys) {
            std::printf(" %s", db->schema().column_name(key.column));
        }
        if (!index.filter_text.empty())
            std::printf(", filter %s", index.filter_text.c_str());
        std::printf("\n");
    }
    std::printf("allocated bytes:   %u (free %u)\n", h.Get(dbx::hdr::kAllocatedBytes),
                h.Get(dbx::hdr::kFreeBytes));
    std::printf("live bytes:        records %u, filters %u, tree nodes %u, text blocks %u\n",
                h.live_bytes(dbx::BlockType::kRecord), h.live_bytes(dbx::BlockType::kFilter),
                h.live_bytes(dbx::BlockType::kTreeNode),
                h.live_bytes(dbx::BlockType::kStreamBlock));
    if (h.Get(dbx::hdr::kLogHead)) {
        try {
            std::printf("change log:        %zu entries\n",
                        dbx::ReadNotificationLog(db->reader(), h).size());
        } catch (const dbx::Error& error) {
            std::printf("change log:        unreadable (%s)\n", error.what());
        }
    }
    if (db->kind() == dbx::TableKind::kMessages) {
        dbx::MessageFileInfo info = dbx::DecodeMessageUserData(db->user_data());
        std::printf("folder id:         %u\n", info.folder_id);
        std::printf("folder name:       %s\n", info.folder_name.c_str());
        std::printf("folder type:       %u, special %u, account %s\n", info.folder_type,
                    info.special, info.account_id.c_str());
    } else {
        dbx::StoreInfo info = dbx::DecodeStoreUserData(db->user_data());
        std::printf("store created:     %s UTC\n", dbx::FormatFileTime(info.created).c_str());
    }
    for (const dbx::Issue& issue : db->open_issues().issues)
        std::printf("problem:           %s\n", issue.ToString().c_str());
    return 0;
}

}  // namespace dbxtool
