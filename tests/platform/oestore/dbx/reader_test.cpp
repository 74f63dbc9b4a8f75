// Reading the genuine Outlook Express 6 sample files.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "dbx/filetime.h"
#include "dbx/index_cursor.h"
#include "dbx_test_util.h"
#include "index_key.h"

namespace {

using namespace dbx;
using dbxtest::Sample;

// The samples belong to the project, with their licence; a missing one fails, never skips.
TEST(Reader, SamplesAreThoseOfTheProjectAndAMissingOneFails) {
    for (const char* name :
         {"Folders.dbx", "Inbox.dbx", "Outbox.dbx", "Offline.dbx", "LICENSE.DbxOutlookExpress"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(Sample(name))) << name;
    }
    EXPECT_EQ(dbxtest::SamplesDir().filename(), "dbx");
    EXPECT_NONFATAL_FAILURE(Sample("Missing.dbx"), "is missing");
}

TEST(Reader, InboxListsTheWelcomeMessage) {
    MessageFile inbox = MessageFile::Open(Sample("Inbox.dbx"));
    EXPECT_EQ(inbox.count(), 1u);
    EXPECT_EQ(inbox.info(), (MessageFileInfo{4, "Inbox", 3, "LocalStore", 1}));
    IssueList issues;
    std::vector<MessageInfo> messages = inbox.List(&issues);
    EXPECT_TRUE(issues.empty());
    ASSERT_EQ(messages.size(), 1u);
    const MessageInfo& m = messages[0];
    EXPECT_EQ(m.id, 2u);
    EXPECT_EQ(m.subject, "Welcome to Outlook Express 6");
    EXPECT_EQ(m.normalized_subject, "Welcome to Outlook Express 6");
    EXPECT_EQ(m.display_from, "Microsoft Outlook Express Team");
    EXPECT_EQ(m.email_from, "msoe@microsoft.com");
    EXPECT_EQ(m.display_to, "New Outlook Express User");
    EXPECT_EQ(m.email_to, "");
    EXPECT_EQ(m.priority, 3u);
    EXPECT_EQ(FormatFileTime(m.sent), "2021-12-12 04:45:59");
    EXPECT_EQ(m.received, m.sent);
    EXPECT_TRUE(m.flags & msgflag::kHasBody);

    std::string text = inbox.ReadText(m.id);
    EXPECT_EQ(text.size(), 10139u);
    EXPECT_EQ(text.size(), m.size);
    EXPECT_EQ(text.rfind("From: \"Microsoft Outlook Express Team\" <msoe@microsoft.com>\r\n", 0),
              0u);
    EXPECT_EQ(inbox.Find(m.id)->subject, m.subject);
    EXPECT_FALSE(inbox.Find(3).has_value());
    EXPECT_THROW(inbox.ReadText(3), Error);
}

TEST(Reader, OutboxIsEmptyAndDescribesItsFolder) {
    MessageFile outbox = MessageFile::Open(Sample("Outbox.dbx"));
    EXPECT_EQ(outbox.count(), 0u);
    EXPECT_TRUE(outbox.List().empty());
    EXPECT_EQ(outbox.info(), (MessageFileInfo{5, "Outbox", 3, "LocalStore", 2}));
    EXPECT_EQ(outbox.database().indexes()[1].filter, IndexFilter::kWatchedOrIgnored);
}

TEST(Reader, FoldersGivesTheTreeOfANewProfile) {
    FolderFile folders = FolderFile::Open(Sample("Folders.dbx"));
    std::vector<FolderInfo> all = folders.List();
    std::vector<uint32_t> ids;
    for (const FolderInfo& f : all)
        ids.push_back(f.id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0, 1, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(all[0].name, "Outlook Express");
    EXPECT_EQ(all[0].parent, kNoParent);
    EXPECT_EQ(all[0].type, foldertype::kRoot);
    EXPECT_EQ(all[1].account_id, "LocalStore");
    EXPECT_EQ(all[1].flags, 0x00900019u);
    EXPECT_EQ(all[2].name, "Inbox");
    EXPECT_EQ(all[2].file, "Inbox.dbx");
    EXPECT_EQ(all[2].messages, 1u);
    EXPECT_EQ(all[2].special, special::kInbox);
    EXPECT_EQ(all[7].flags, 0x10040029u);  // stored indirectly after two strings

    std::vector<std::string> names;
    for (const FolderInfo& f : folders.Children(kLocalFoldersId))
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Deleted Items", "Drafts", "Inbox", "Outbox",
                                               "Sent Items"}));
    EXPECT_EQ(folders.database().indexes()[2].filter, IndexFilter::kSubscribed);
    EXPECT_EQ(folders.info().converted, true);
}

// The order Outlook Express stored in the secondary indexes is the order our key comparison
// gives: signed parent first, then the name ignoring case.
TEST(Reader, SecondaryIndexOrderMatchesTheKeyComparison) {
    for (const char* name : {"Folders.dbx"}) {
        auto db = Database::Open(Sample(name));
        for (int index = 1; index < static_cast<int>(db->indexes().size()); ++index) {
            const IndexDefinition& definition = db->indexes()[index].definition;
            IndexCursor cursor(*db, index, nullptr);
            uint32_t address = 0;
            std::vector<IndexKeyValue> keys;
            while (cursor.Next(address))
                keys.push_back(ExtractKey(definition, db->schema(), db->ReadRecord(address)));
            ASSERT_GE(keys.size(), 2u);
            for (size_t k = 1; k < keys.size(); ++k)
                EXPECT_LT(CompareKeys(definition, keys[k - 1], keys[k]), 0);
        }
    }
}

TEST(Reader, OtherTablesAreRefusedByKind) {
    try {
        Database::Open(Sample("Offline.dbx"));
        FAIL() << "Offline.dbx opened";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), ErrorCode::kUnsupported);
        EXPECT_NE(std::string(error.what()).find("offline operations table (Offline.dbx)"),
                  std::string::npos);
    }
    EXPECT_THROW(MessageFile::Open(Sample("Folders.dbx")), Error);
    EXPECT_THROW(FolderFile::Open(Sample("Inbox.dbx")), Error);
}

TEST(Reader, WalkChecksEveryIndexOfTheSamplesCleanly) {
    for (const char* name : {"Inbox.dbx", "Outbox.dbx", "Folders.dbx"}) {
        auto db = Database::Open(Sample(name));
        EXPECT_TRUE(db->open_issues().empty()) << name;
        for (int index = 0; index < static_cast<int>(db->indexes().size()); ++index) {
            IssueList issues;
            IndexCursor cursor(*db, index, &issues);
            uint32_t address = 0;
            uint32_t count = 0;
            while (cursor.Next(address))
                ++count;
            EXPECT_TRUE(issues.empty()) << name << ": " << issues.issues.front().ToString();
            EXPECT_EQ(count, db->header().record_count(index)) << name << " index " << index;
        }
    }
}

}  // namespace
