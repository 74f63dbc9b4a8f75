// Crash safety: every change is stopped at each of its writes in turn (a process crash, a power
// loss, a power loss that kept some unflushed sectors), or has that write fail; what is left must
// open with exactly the old or exactly the new content and pass the consistency check.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "crash_points.h"
#include "dbx/check.h"
#include "dbx_test_util.h"
#include "simulated_file_system.h"

namespace {

using namespace dbx;
using dbxtest::SimulatedFileSystem;

const std::string kMailbox = "/sim/Mail.dbx";
const std::string kFolders = "/sim/Folders.dbx";

std::string Serialize(const Record& record) {
    std::string out = "v" + std::to_string(record.version) + "[";
    for (const Column& column : record.columns) {
        if (column.id == msgcol::kStream && record.Has(msgcol::kSize))
            continue;  // address only
        out += std::to_string(column.id) +
               (column.direct ? "=" + std::to_string(column.value) : ":" + column.data) + ",";
    }
    return out + "]";
}

// What a reader sees in `path` on `fs` (read-only first, then after a writable open has
// finished any interrupted change); any consistency finding is part of the answer.
std::string Content(SimulatedFileSystem& fs, const std::string& path) {
    if (!fs.Has(path))
        return "(no file)";
    std::string seen[2];
    for (int pass = 0; pass < 2; ++pass) {
        OpenOptions options;
        options.fs = &fs;
        options.writable = pass == 1;
        try {
            auto db = Database::Open(path, options);
            std::string& out = seen[pass];
            for (const Issue& issue : CheckDatabase(*db).findings.issues)
                out += "FINDING " + issue.ToString() + "\n";
            if (db->kind() == TableKind::kMessages) {
                MessageFile file = MessageFile::Open(path, options);
                MessageCursor cursor = file.Messages(false);
                MessageInfo info;
                Record record;
                while (cursor.Next(info, record))
                    out += Serialize(record) + file.ReadText(info) + "\n";
            } else {
                FolderFile file = FolderFile::Open(path, options);
                for (const FolderInfo& folder : file.List())
                    out += Serialize(file.ReadRecord(folder.id)) + "\n";
            }
            out += "last id " + std::to_string(db->header().last_id()) + ", free bytes " +
                   std::to_string(db->header().Get(hdr::kFreeBytes));
        } catch (const Error& error) {
            seen[pass] = std::string("ERROR ") + error.what();
        }
    }
    EXPECT_EQ(seen[0], seen[1]) << "a read-only opener sees the same as a writer";
    return seen[1];
}

using dbxtest::Files;
using dbxtest::Interruption;
using dbxtest::Seed;

// A follow-up change that must work on whatever a crash left.
void AppendOne(SimulatedFileSystem& fs, const std::string& path) {
    if (path != kMailbox || !fs.Has(path))
        return;
    MessageFile file = MessageFile::Open(path, dbxtest::Writable(&fs));
    file.Append(dbxtest::MakeMessage(999));
    for (const Issue& issue : CheckDatabase(file.database()).findings.issues)
        ADD_FAILURE() << issue.ToString();
}

void CheckEveryCrashPoint(const Files& files, const std::string& path,
                          const dbxtest::Change& change) {
    auto before = Seed(files);
    std::string old_content = Content(*before, path);
    ASSERT_EQ(old_content.find("FINDING"), std::string::npos) << old_content;

    auto reference = Seed(files);
    change(*reference);
    std::string new_content = Content(*reference, path);
    ASSERT_EQ(new_content.find("FINDING"), std::string::npos) << new_content;
    ASSERT_NE(new_content, old_content);

    int old_seen = 0, new_seen = 0;
    int64_t writes = dbxtest::ForEveryInterruption(
        files, change, [&](SimulatedFileSystem& left, const Interruption& how) {
            std::string content = Content(left, path);
            bool is_old = content == old_content, is_new = content == new_content;
            EXPECT_TRUE(is_old || is_new) << how.how << " at write " << how.write << ":\n"
                                          << content;
            if (how.failure) {
                EXPECT_TRUE(how.reported) << "failure at write " << how.write;
                return;
            }
            old_seen += is_old;
            new_seen += is_new;
            if (how.how == "process crash")
                AppendOne(left, path);
        });
    EXPECT_GT(writes, 3);
    EXPECT_GT(old_seen, 0);
    EXPECT_GT(new_seen, 0);
}

// A mailbox of `count` messages with the messages in `deleted` removed, so free lists exist.
Files MailboxFiles(uint32_t count, std::vector<uint32_t> deleted = {}) {
    SimulatedFileSystem fs;
    dbx::MailboxWriter writer(kMailbox, {9, "Mail", 3, "LocalStore", 0}, &fs);
    for (uint32_t n = 0; n < count; ++n)
        writer.Add(dbxtest::MakeMessage(n, 200 + 150 * (n % 5)),
                   NewMessageOptions{0, 0x01D0000000000000ull});
    writer.Finish();
    if (!deleted.empty())
        MessageFile::Open(kMailbox, dbxtest::Writable(&fs)).Delete(deleted);
    return {{kMailbox, fs.Get(kMailbox)}};
}

Files FolderFiles() {
    SimulatedFileSystem fs;
    FolderFile folders = FolderFile::Create(kFolders, {0x01D7EF1328000000ull, true}, &fs);
    folders.CreateFolder(kLocalFoldersId, {"Inbox", "Inbox.dbx", 3, special::kInbox, 1, {}});
    uint32_t a = folders.CreateFolder(kLocalFoldersId, {"Archive", "Archive.dbx", 3, 0, 1, {}});
    folders.CreateFolder(a, {"2004", "2004.dbx", 3, 0, 1, {}});
    folders.CreateFolder(a, {"2005", "2005.dbx", 3, 0, 1, {}});
    return {{kFolders, fs.Get(kFolders)}};
}

dbxtest::Change OnMailbox(const std::function<void(MessageFile&)>& body) {
    return [body](SimulatedFileSystem& fs) {
        MessageFile file = MessageFile::Open(kMailbox, dbxtest::Writable(&fs));
        body(file);
    };
}

dbxtest::Change OnFolders(const std::function<void(FolderFile&)>& body) {
    return [body](SimulatedFileSystem& fs) {
        FolderFile file = FolderFile::Open(kFolders, dbxtest::Writable(&fs));
        body(file);
    };
}

TEST(CrashSafety, AppendThatSplitsTheRoot) {
    CheckEveryCrashPoint(
        MailboxFiles(51), kMailbox, OnMailbox([](MessageFile& f) {
            f.Append(dbxtest::MakeMessage(51, 2000), NewMessageOptions{0, 0x01D0000000000000ull});
        }));
}

TEST(CrashSafety, AppendReusingFreedBlocks) {
    // Message 7 comes back with the same header, so its record and text blocks fit freed ones.
    CheckEveryCrashPoint(MailboxFiles(60, {9, 10}), kMailbox, OnMailbox([](MessageFile& f) {
                             f.Append(dbxtest::MakeMessage(9, 200 + 150 * 4),
                                      NewMessageOptions{0, 0x01D0000000000000ull});
                         }));
}

TEST(CrashSafety, DeleteThatMergesNodes) {
    std::vector<uint32_t> ids;
    for (uint32_t id = 20; id < 40; ++id)
        ids.push_back(id);
    CheckEveryCrashPoint(MailboxFiles(80), kMailbox,
                         OnMailbox([ids](MessageFile& f) { f.Delete(ids); }));
}

TEST(CrashSafety, FlagChangesThatMoveIndexMembership) {
    CheckEveryCrashPoint(MailboxFiles(55), kMailbox, OnMailbox([](MessageFile& f) {
                             std::vector<uint32_t> ids{3, 30, 50};
                             f.SetFlags(ids, msgflag::kWatch | msgflag::kRead, 0);
                         }));
}

TEST(CrashSafety, Compaction) {
    CheckEveryCrashPoint(MailboxFiles(40, {5, 6, 7, 20}), kMailbox,
                         OnMailbox([](MessageFile& f) { f.Compact(); }));
}

TEST(CrashSafety, CreatingAMailbox) {
    CheckEveryCrashPoint({}, kMailbox, [](SimulatedFileSystem& fs) {
        MessageFile::Create(kMailbox, {12, "New", 3, "LocalStore", 0}, &fs);
    });
}

TEST(CrashSafety, FolderChanges) {
    Files files = FolderFiles();
    CheckEveryCrashPoint(
        files, kFolders, OnFolders([](FolderFile& f) {
            f.CreateFolder(kLocalFoldersId, {"Projects", "Projects.dbx", 3, 0, 1, {}});
        }));
    CheckEveryCrashPoint(files, kFolders,
                         OnFolders([](FolderFile& f) { f.Rename(4, "Old mail"); }));
    CheckEveryCrashPoint(files, kFolders,
                         OnFolders([](FolderFile& f) { f.Move(5, kLocalFoldersId); }));
    CheckEveryCrashPoint(files, kFolders, OnFolders([](FolderFile& f) { f.DeleteFolder(3); }));
    CheckEveryCrashPoint(files, kFolders, OnFolders([](FolderFile& f) { f.SetCounts(2, 10, 4); }));
    CheckEveryCrashPoint(files, kFolders, OnFolders([](FolderFile& f) { f.AdvanceIdCounter(30); }));
}

}  // namespace
