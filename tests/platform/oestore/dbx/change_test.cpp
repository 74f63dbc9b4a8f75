// Changing files in place: appends, deletes, flag changes and folder changes keep every file
// consistent, reuse freed space, and write only what they change.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "bytes.h"
#include "dbx/check.h"
#include "dbx/index_cursor.h"
#include "dbx/notification_log.h"
#include "dbx_test_util.h"
#include "simulated_file_system.h"
#include "temp_prefix.h"

namespace {

using namespace dbx;
using dbxtest::CheckFindings;
using dbxtest::Writable;
using testsupport::ReadFile;
using testsupport::TempDir;

constexpr uint64_t kStored = 0x01D0000000000000ull;

TEST(Changes, AppendToTheInboxSample) {
    TempDir dir;
    auto path = dbxtest::CopyTo(dbxtest::Sample("Inbox.dbx"), dir.Path());
    MessageFile inbox = MessageFile::Open(path, Writable());
    std::string welcome = inbox.ReadText(2);
    std::string text = dbxtest::MakeMessage(1, 5000);
    EXPECT_EQ(inbox.Append(text), 3u);
    EXPECT_EQ(inbox.count(), 2u);
    EXPECT_EQ(inbox.ReadText(3), text);
    EXPECT_EQ(CheckFindings(inbox.database()), "");
    MessageFile again = MessageFile::Open(path);
    EXPECT_EQ(again.ReadText(3), text);
    EXPECT_EQ(again.header().last_id(), 3u);
    if (auto undbx = dbxtest::ExtractWithUndbx(path, dir.Path())) {
        std::vector<std::string> expected{welcome, text};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(*undbx, expected);
    }
}

TEST(Changes, AppendingGrowsBalancedMultiLevelIndexes) {
    TempDir dir;
    auto path = dir.Path() / "Grow.dbx";
    MessageFile file = MessageFile::Create(path, {20, "Grow", 3, "LocalStore", 0});
    std::vector<std::string> texts;
    for (uint32_t n = 0; n < 130; ++n) {
        texts.push_back(dbxtest::MakeMessage(n, 100 + 97 * (n % 11)));
        uint32_t flags = n % 7 == 0 ? msgflag::kWatch : 0;
        EXPECT_EQ(file.Append(texts.back(), NewMessageOptions{flags, kStored}), n + 2);
        if (n % 25 == 0 || n == 51) {
            ASSERT_EQ(CheckFindings(file.database()), "") << "after " << n + 1 << " messages";
        }
    }
    EXPECT_EQ(CheckFindings(file.database()), "");
    EXPECT_EQ(file.header().record_count(1), 19u);
    std::vector<MessageInfo> list = MessageFile::Open(path).List();
    ASSERT_EQ(list.size(), texts.size());
    for (size_t k = 0; k < texts.size(); ++k)
        EXPECT_EQ(file.ReadText(list[k]), texts[k]);
    if (auto undbx = dbxtest::ExtractWithUndbx(path, dir.Path())) {
        std::sort(texts.begin(), texts.end());
        EXPECT_TRUE(*undbx == texts);
    }
}

TEST(Changes, DeletedSpaceIsListedFreeAndReused) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    std::vector<std::string> texts = dbxtest::WriteMailbox(path, 60);
    MessageFile file = MessageFile::Open(path, Writable());
    uint32_t end = file.header().allocation_end();
    std::vector<uint32_t> doomed{10, 11, 12, 40};
    file.Delete(doomed);
    EXPECT_EQ(file.count(), 56u);
    EXPECT_EQ(CheckFindings(file.database()), "");
    uint32_t free_after_delete = file.header().Get(hdr::kFreeBytes);
    EXPECT_GT(free_after_delete, 0u);
    EXPECT_NE(file.header().Get(hdr::kStreamFreeHead), 0u);
    EXPECT_FALSE(file.Find(11).has_value());

    // The same message again fits the freed record and text blocks exactly.
    Record columns = MessageRecordFromText(texts[9], {1, kStored});  // id 11 held texts[9]
    EXPECT_EQ(file.Append(texts[9], columns), 62u);
    EXPECT_LT(file.header().Get(hdr::kFreeBytes), free_after_delete);
    EXPECT_EQ(file.header().allocation_end(), end);
    EXPECT_EQ(file.ReadText(62), texts[9]);
    EXPECT_EQ(CheckFindings(file.database()), "");

    // Deleting an id that is not there changes nothing.
    std::string before = ReadFile(path);
    std::vector<uint32_t> missing{3, 11};
    try {
        file.Delete(missing);
        ADD_FAILURE() << "deleted a missing message";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), ErrorCode::kNotFound);
    }
    EXPECT_TRUE(ReadFile(path) == before);
    EXPECT_TRUE(file.Find(3).has_value());
}

TEST(Changes, FlagsChangeReadStateAndWatchIndex) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    dbxtest::WriteMailbox(path, 70);  // ids 2..71; every id with (id - 2) % 3 != 0 is read
    MessageFile file = MessageFile::Open(path, Writable());
    std::vector<uint32_t> unread{2, 5};
    EXPECT_EQ(file.SetFlags(unread, msgflag::kRead, 0), 2u);
    EXPECT_EQ(file.SetFlags(unread, msgflag::kRead, 0), 0u) << "already read";
    EXPECT_TRUE(file.Find(2)->flags & msgflag::kRead);
    EXPECT_EQ(file.SetFlags(unread, 0, msgflag::kRead | msgflag::kHasBody), 2u);
    EXPECT_FALSE(file.Find(5)->flags & msgflag::kRead);
    EXPECT_TRUE(file.Find(5)->flags & msgflag::kHasBody) << "the has-body bit is not the caller's";

    std::vector<uint32_t> watched{3, 40, 71};
    EXPECT_EQ(file.SetFlags(watched, msgflag::kWatch, 0), 3u);
    EXPECT_EQ(file.header().record_count(1), 3u);
    EXPECT_EQ(CheckFindings(file.database()), "");
    Record record = file.ReadRecord(40);
    EXPECT_EQ(record.version, 2) << "a rewritten record counts its versions";
    std::vector<uint32_t> one{40};
    EXPECT_EQ(file.SetFlags(one, msgflag::kIgnore, msgflag::kWatch), 1u);
    EXPECT_EQ(file.header().record_count(1), 3u);
    EXPECT_EQ(file.SetFlags(one, 0, msgflag::kIgnore), 1u);
    EXPECT_EQ(file.header().record_count(1), 2u);
    EXPECT_EQ(CheckFindings(file.database()), "");
}

// Random appends, deletes and flag changes against a plain model of the folder.
TEST(Changes, RandomChangesMatchAModel) {
    TempDir dir;
    auto path = dir.Path() / "Random.dbx";
    MessageFile file = MessageFile::Create(path, {21, "Random", 3, "LocalStore", 0});
    std::map<uint32_t, std::pair<std::string, uint32_t>> model;  // id -> text, flags
    std::mt19937 random(11);
    for (int step = 0; step < 300; ++step) {
        int action = static_cast<int>(random() % 10);
        if (model.size() < 20 || action < 5) {
            std::string text =
                dbxtest::MakeMessage(static_cast<uint32_t>(step), 50 + random() % 3000);
            uint32_t flags = random() % 4 == 0 ? msgflag::kWatch : 0;
            uint32_t id = file.Append(text, NewMessageOptions{flags, kStored});
            model[id] = {text, flags | msgflag::kHasBody};
        } else if (action < 8) {
            std::vector<uint32_t> ids;
            for (int k = 0; k < 1 + static_cast<int>(random() % 4); ++k) {
                auto it = model.begin();
                std::advance(it, random() % model.size());
                ids.push_back(it->first);
            }
            file.Delete(ids);
            for (uint32_t id : ids)
                model.erase(id);
        } else {
            auto it = model.begin();
            std::advance(it, random() % model.size());
            uint32_t toggle = random() % 2 ? msgflag::kRead : msgflag::kIgnore;
            std::vector<uint32_t> ids{it->first};
            if (it->second.second & toggle) {
                file.SetFlags(ids, 0, toggle);
            } else {
                file.SetFlags(ids, toggle, 0);
            }
            it->second.second ^= toggle;
        }
        if (step % 60 == 59) {
            ASSERT_EQ(CheckFindings(file.database()), "") << "step " << step;
        }
    }
    std::vector<MessageInfo> list = file.List();
    ASSERT_EQ(list.size(), model.size());
    auto it = model.begin();
    for (const MessageInfo& info : list) {
        EXPECT_EQ(info.id, it->first);
        EXPECT_EQ(info.flags, it->second.second);
        EXPECT_EQ(file.ReadText(info), it->second.first);
        ++it;
    }
    file.Compact();
    EXPECT_EQ(CheckFindings(file.database()), "");
    EXPECT_EQ(file.header().Get(hdr::kFreeBytes), 0u);
    EXPECT_EQ(file.List().size(), model.size());
}

// An append writes the new message, a few tree nodes and the header, whatever the file's size.
TEST(Changes, AppendWritesOnlyWhatItAdds) {
    auto bytes_for_append = [](uint32_t messages) {
        dbxtest::SimulatedFileSystem fs;
        MailboxWriter writer("/sim/Big.dbx", {9, "Big", 3, "LocalStore", 0}, &fs);
        for (uint32_t n = 0; n < messages; ++n)
            writer.Add(dbxtest::MakeMessage(n), NewMessageOptions{0, kStored});
        writer.Finish();
        MessageFile file = MessageFile::Open("/sim/Big.dbx", Writable(&fs));
        uint64_t before = fs.bytes_written();
        file.Append(dbxtest::MakeMessage(messages, 2000), NewMessageOptions{0, kStored});
        return fs.bytes_written() - before;
    };
    uint64_t small = bytes_for_append(100);
    uint64_t large = bytes_for_append(5000);
    EXPECT_LT(large, 16u * 1024) << "the message is 2 KB";
    EXPECT_LT(large, small + 4096);
}

// Header values are cut so that a record can always be freed and reused; a record that is too
// large anyway is refused before anything is written.
TEST(Changes, OversizedRecordsAreClippedOrRefused) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    MessageFile file = MessageFile::Create(path, {9, "Mail", 3, "LocalStore", 0});
    std::string references;
    for (int n = 0; n < 2000; ++n)
        references += "<" + std::to_string(n) + "@example.org> ";
    std::string text = "Subject: " + std::string(20000, 's') + "\r\nReferences: " + references +
                       "\r\n\r\nbody\r\n";
    uint32_t id = file.Append(text, NewMessageOptions{0, kStored});
    Record record = file.ReadRecord(id);
    EXPECT_EQ(record.String(msgcol::kSubject).size(), 512u);
    std::string kept = record.String(msgcol::kReferences);
    EXPECT_LE(kept.size(), 1024u);
    EXPECT_TRUE(kept.ends_with("<1999@example.org>")) << "the nearest ancestors are kept";
    EXPECT_EQ(kept.front(), '<');
    EXPECT_EQ(file.ReadText(id), text);
    std::vector<uint32_t> ids{id};
    file.Delete(ids);
    EXPECT_EQ(CheckFindings(file.database()), "");

    std::string before = ReadFile(path);
    Record huge;
    huge.SetString(msgcol::kSubject, std::string(9000, 'x'));
    EXPECT_THROW(file.Append("Subject: x\r\n\r\n", huge), Error);
    EXPECT_TRUE(ReadFile(path) == before);
}

// A file with entries in the engine's change log: the check accounts for them, and the next
// change frees them and leaves the log empty.
TEST(Changes, TheChangeLogIsEmptiedByTheNextChange) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    dbxtest::WriteMailbox(path, 3);
    std::string bytes = ReadFile(path);
    FileHeader header(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), kHeaderSize));
    uint32_t first =
        header.last_segment(SegmentKind::kVariable) + header.segment_used(SegmentKind::kVariable);
    uint32_t second = first + kLogEntrySize;
    uint32_t record = MessageFile::Open(path).Find(3)->record_address;
    for (uint32_t entry : {first, second}) {
        uint8_t* p = Bytes(bytes) + entry;
        StoreU32(p, entry);
        StoreU32(p + 0x08, 1);
        StoreU32(p + 0x0C, 1);
        StoreU32(p + 0x10, 0xFFFFFFFF);
        for (uint32_t k = 0; k < 16; ++k)
            StoreU32(p + 0x14 + 4 * k, k % 8 < 3 ? k : 0xFFFFFFFF);
        StoreU32(p + 0x54, record);
        StoreU32(p + 0x58, record);
        StoreU32(p + 0x5C, entry == first ? second : 0);
        StoreU32(p + 0x60, entry == first ? 0 : first);
    }
    header.Add(FileHeader::SegmentField(SegmentKind::kVariable) + 8, 2 * kLogEntrySize);
    header.Add(hdr::kAllocatedBytes, 2 * kLogEntrySize);
    header.AddLiveBytes(BlockType::kTransaction, 2 * kLogEntrySize);
    header.Set(hdr::kLogHead, first);
    header.Set(hdr::kLogTail, second);
    std::copy(header.bytes().begin(), header.bytes().end(), bytes.begin());
    testsupport::WriteFile(path, bytes);
    EXPECT_EQ(CheckFindings(path), "");

    MessageFile file = MessageFile::Open(path, Writable());
    EXPECT_EQ(ReadNotificationLog(file.database().reader(), file.header()).size(), 2u);
    file.Append(dbxtest::MakeMessage(7), NewMessageOptions{0, kStored});
    EXPECT_EQ(file.header().Get(hdr::kLogHead), 0u);
    EXPECT_EQ(file.header().live_bytes(BlockType::kTransaction), 0u);
    EXPECT_EQ(file.header().Get(hdr::kFreeBytes), 2 * kLogEntrySize);
    EXPECT_EQ(CheckFindings(file.database()), "");

    // A log that loops is reported, and left alone by changes.
    testsupport::WriteFile(path, bytes);
    std::string looped = bytes;
    StoreU32(Bytes(looped) + second + 0x5C, first);
    testsupport::WriteFile(path, looped);
    EXPECT_NE(CheckFindings(path).find("log entry at " + Hex(first) + ": the log loops back"),
              std::string::npos);
}

TEST(Changes, ReadOnlyFilesRefuseChanges) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    dbxtest::WriteMailbox(path, 3);
    MessageFile file = MessageFile::Open(path);
    try {
        file.Append("Subject: x\r\n\r\nbody");
        ADD_FAILURE() << "appended to a read-only file";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), ErrorCode::kInvalidArgument);
    }
}

// Two handles on one file, or a file replaced underneath: a change always starts from what is on
// disk, so nothing another writer did is lost.
TEST(Changes, ChangesStartFromTheFileOnDisk) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    dbxtest::WriteMailbox(path, 3);
    MessageFile first = MessageFile::Open(path, Writable());
    MessageFile second = MessageFile::Open(path, Writable());
    EXPECT_EQ(first.Append(dbxtest::MakeMessage(10)), 5u);
    EXPECT_TRUE(second.database().ChangedOnDisk());
    EXPECT_EQ(second.Append(dbxtest::MakeMessage(11)), 6u);
    EXPECT_EQ(MessageFile::Open(path).count(), 5u);

    auto other = dir.Path() / "Other.dbx";
    dbxtest::WriteMailbox(other, 8);
    std::filesystem::rename(other, path);
    EXPECT_TRUE(first.database().ChangedOnDisk());
    EXPECT_EQ(first.Append(dbxtest::MakeMessage(12)), 10u);
    EXPECT_EQ(MessageFile::Open(path).count(), 9u);
    EXPECT_EQ(CheckFindings(path), "");
}

TEST(Changes, FolderTreeChanges) {
    TempDir dir;
    auto path = dir.Path() / "Folders.dbx";
    FolderFile folders = FolderFile::Create(path, {0x01D7EF1328000000ull, true});
    EXPECT_EQ(CheckFindings(folders.database()), "");
    uint32_t inbox =
        folders.CreateFolder(kLocalFoldersId, {"Inbox", "Inbox.dbx", 3, special::kInbox, 1, {}});
    uint32_t zeta = folders.CreateFolder(kLocalFoldersId, {"zeta", "zeta.dbx", 3, 0, 1, {}});
    uint32_t alpha = folders.CreateFolder(kLocalFoldersId, {"Alpha", "Alpha.dbx", 3, 0, 1, {}});
    uint32_t child = folders.CreateFolder(alpha, {"Child", "Child.dbx", 3, 0, 1, {}});
    uint32_t hidden = folders.CreateFolder(alpha, {"Hidden", {}, 3, 0, 0, {}});
    EXPECT_EQ(inbox, 2u);
    EXPECT_EQ(hidden, 6u);
    EXPECT_EQ(CheckFindings(folders.database()), "");
    EXPECT_EQ(folders.database().header().record_count(2), 5u)
        << "all but the root and the unsubscribed one";

    auto names = [&](uint32_t parent) {
        std::vector<std::string> list;
        for (const FolderInfo& f : folders.Children(parent))
            list.push_back(f.name);
        return list;
    };
    EXPECT_EQ(names(kLocalFoldersId), (std::vector<std::string>{"Alpha", "Inbox", "zeta"}));
    EXPECT_TRUE(folders.Find(alpha)->flags & fldflag::kHasSubfolders);
    EXPECT_THROW(folders.CreateFolder(kLocalFoldersId, {"INBOX", {}, 3, 0, 1, {}}), Error);
    EXPECT_THROW(folders.CreateFolder(99, {"Orphan", {}, 3, 0, 1, {}}), Error);

    folders.Rename(zeta, "Beta");
    EXPECT_EQ(names(kLocalFoldersId), (std::vector<std::string>{"Alpha", "Beta", "Inbox"}));
    EXPECT_THROW(folders.Rename(zeta, "inbox"), Error);
    folders.Rename(zeta, "BETA");  // its own name in other letters is fine

    EXPECT_THROW(folders.Move(alpha, child), Error) << "below itself";
    folders.Move(child, kLocalFoldersId);
    folders.Move(hidden, kLocalFoldersId);
    EXPECT_FALSE(folders.Find(alpha)->flags & fldflag::kHasSubfolders);
    folders.Move(child, zeta);
    EXPECT_TRUE(folders.Find(zeta)->flags & fldflag::kHasSubfolders);
    EXPECT_EQ(CheckFindings(folders.database()), "");

    std::vector<FolderInfo> removed = folders.DeleteFolder(zeta);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].file, "zeta.dbx");
    EXPECT_EQ(removed[1].id, child);
    EXPECT_FALSE(folders.Find(child).has_value());
    EXPECT_THROW(folders.DeleteFolder(kRootFolderId), Error);

    folders.SetCounts(inbox, 3, 1);
    folders.SetFileName(alpha, "Alpha2.dbx");
    EXPECT_EQ(folders.Find(inbox)->messages, 3u);
    EXPECT_EQ(folders.Find(alpha)->file, "Alpha2.dbx");
    EXPECT_EQ(CheckFindings(folders.database()), "");
    folders.Compact();
    EXPECT_EQ(CheckFindings(folders.database()), "");
    EXPECT_EQ(folders.List().size(), 5u);
}

// A new store's special folders take the ids from 4 on: the counter moves past ids that stay
// unused, never back, and the move survives reopening and compaction.
TEST(Changes, FolderIdCounterAdvancesButNeverGoesBack) {
    TempDir dir;
    auto path = dir.Path() / "Folders.dbx";
    FolderFile folders = FolderFile::Create(path, {0x01D7EF1328000000ull, true});
    folders.AdvanceIdCounter(3);
    EXPECT_EQ(folders.database().header().last_id(), 3u);
    EXPECT_EQ(folders.CreateFolder(kLocalFoldersId, {"Inbox", {}, 3, special::kInbox, 1, {}}), 4u);

    const std::string before = ReadFile(path);
    folders.AdvanceIdCounter(2);
    folders.AdvanceIdCounter(4);
    EXPECT_TRUE(ReadFile(path) == before) << "a counter already there is not written";
    try {
        folders.AdvanceIdCounter(kReservedIdMin);
        ADD_FAILURE() << "moved the counter into the reserved ids";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), ErrorCode::kInvalidArgument);
    }
    EXPECT_TRUE(ReadFile(path) == before);

    folders.AdvanceIdCounter(20);
    folders.Compact();
    FolderFile reopened = FolderFile::Open(path, Writable());
    EXPECT_EQ(reopened.CreateFolder(kLocalFoldersId, {"Later", {}, 3, 0, 1, {}}), 21u);
    EXPECT_EQ(CheckFindings(reopened.database()), "");

    reopened.AdvanceIdCounter(kReservedIdMin - 1);
    try {
        reopened.CreateFolder(kLocalFoldersId, {"Too many", {}, 3, 0, 1, {}});
        ADD_FAILURE() << "handed out a reserved id";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), ErrorCode::kFull);
    }
}

TEST(Changes, StoreLinksCompareFoldersWithTheirFiles) {
    TempDir dir;
    FolderFile folders = FolderFile::Create(dir.Path() / "Folders.dbx", {1, true});
    uint32_t inbox =
        folders.CreateFolder(kLocalFoldersId, {"Inbox", "Inbox.dbx", 3, special::kInbox, 1, {}});
    MessageFile mail =
        MessageFile::Create(dir.Path() / "Inbox.dbx", {inbox, "Inbox", 3, "LocalStore", 1});
    mail.Append(dbxtest::MakeMessage(1), NewMessageOptions{msgflag::kRead, kStored});
    mail.Append(dbxtest::MakeMessage(2), NewMessageOptions{0, kStored});
    // Counts that differ lose nothing: notes, not findings.
    CheckReport report;
    CheckStoreLinks(folders, dir.Path(), report);
    EXPECT_TRUE(report.findings.empty()) << report.findings.issues.front().ToString();
    ASSERT_EQ(report.notes.issues.size(), 2u) << "counts not updated yet";
    folders.SetCounts(inbox, 2, 1);
    report = {};
    CheckStoreLinks(folders, dir.Path(), report);
    EXPECT_TRUE(report.findings.empty() && report.notes.empty());
    // A named file that is missing is mail the folder no longer has.
    folders.CreateFolder(kLocalFoldersId, {"Gone", "Gone.dbx", 3, 0, 1, {}});
    CheckStoreLinks(folders, dir.Path(), report);
    ASSERT_EQ(report.findings.issues.size(), 1u);
    EXPECT_NE(report.findings.issues[0].detail.find("Gone.dbx is missing"), std::string::npos);
    // A FILE column that is no file name of the store folder is not followed.
    report = {};
    folders.CreateFolder(kLocalFoldersId, {"Escape", "../Inbox.dbx", 3, 0, 1, {}});
    CheckStoreLinks(folders, dir.Path(), report);
    ASSERT_EQ(report.findings.issues.size(), 2u);
    EXPECT_NE(report.findings.issues[1].detail.find("not a file name"), std::string::npos);
}

}  // namespace
