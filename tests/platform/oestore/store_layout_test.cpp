// A new store is laid out as Outlook Express 6 lays out a new identity's store: compared, record
// by record and byte by byte, with the genuine store of a fresh profile among the samples.
#include <dbx/folder_file.h>
#include <dbx/message_file.h>

#include "dbx_test_util.h"
#include "store_test_util.h"

namespace storetest {
namespace {

// Fields of a mailbox's user data (offset, size) that record how the folder was viewed and used:
// sort direction, view filter version, welcome message added, and one view flag that the
// sample's Inbox (opened in the mail client, welcome message added) has and its untouched Outbox
// has not.
constexpr size_t kViewState[][2] = {{0x214, 4}, {0x220, 4}, {0x228, 4}, {0x348, 1}};

bool IsViewState(size_t offset) {
    for (const auto& [start, size] : kViewState) {
        if (offset >= start && offset < start + size)
            return true;
    }
    return false;
}

// The record as the mail client makes it, without the counts that change with the mail.
dbx::Record WithoutCounts(dbx::Record record) {
    record.Erase(dbx::fldcol::kMessages);
    record.Erase(dbx::fldcol::kUnread);
    return record;
}

class StoreLayout : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        store_ = Store();
        ASSERT_TRUE(store_);
        root_ = Directory(store_.Get());
    }
    void TearDown() override {
        store_.Reset();
        StoreTest::TearDown();
    }

    ComPtr<IStoreNamespace> store_;
    std::filesystem::path root_;
};

TEST_F(StoreLayout, FolderRecordsMatchAFreshOutlookExpressProfile) {
    dbx::FolderFile made = dbx::FolderFile::Open(root_ / "Folders.dbx");
    dbx::FolderFile sample = dbx::FolderFile::Open(dbxtest::Sample("Folders.dbx"));

    std::vector<uint32_t> ids;
    for (const dbx::FolderInfo& folder : made.List())
        ids.push_back(folder.id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0, 1, 4, 5, 6, 7, 8})) << "ids 2 and 3 stay unused";
    EXPECT_EQ(made.database().header().last_id(), 8u);

    for (uint32_t id : {dbx::kRootFolderId, dbx::kLocalFoldersId}) {
        const dbx::FolderInfo ours = *made.Find(id);
        const dbx::FolderInfo theirs = *sample.Find(id);
        EXPECT_EQ(ours.parent, theirs.parent) << id;
        EXPECT_EQ(ours.name, theirs.name) << id;
        EXPECT_EQ(ours.flags, theirs.flags) << id;
        EXPECT_EQ(ours.type, theirs.type) << id;
        EXPECT_EQ(ours.account_id, theirs.account_id) << id;
    }
    size_t specials = 0;
    for (const dbx::FolderInfo& folder : sample.List()) {
        if (folder.special == 0)
            continue;
        ++specials;
        if (!made.Find(folder.id)) {
            ADD_FAILURE() << "no folder " << folder.id << " (" << folder.name << ")";
            continue;
        }
        // Every column: id, parent, name, file name (Inbox and Outbox only), flags, special
        // folder, type, each stored the way the mail client stores it.
        EXPECT_EQ(WithoutCounts(made.ReadRecord(folder.id)).columns,
                  WithoutCounts(sample.ReadRecord(folder.id)).columns)
            << folder.name;
    }
    EXPECT_EQ(specials, 5u);
    EXPECT_EQ(dbxtest::CheckFindings(root_ / "Folders.dbx"), "");
}

TEST_F(StoreLayout, MailboxesOfInboxAndOutboxMatchTheSamples) {
    for (const char* file : {"Inbox.dbx", "Outbox.dbx"}) {
        dbx::MessageFile made = dbx::MessageFile::Open(root_ / file);
        dbx::MessageFile sample = dbx::MessageFile::Open(dbxtest::Sample(file));
        EXPECT_EQ(made.info(), sample.info()) << file;
        const std::string ours = made.database().user_data();
        const std::string theirs = sample.database().user_data();
        ASSERT_EQ(ours.size(), theirs.size()) << file;
        for (size_t offset = 0; offset < ours.size(); ++offset) {
            if (!IsViewState(offset)) {
                EXPECT_EQ(static_cast<int>(ours[offset]), static_cast<int>(theirs[offset]))
                    << file << " user data at " << dbx::Hex(offset);
            }
        }
        EXPECT_EQ(dbxtest::CheckFindings(root_ / file), "") << file;
    }
    // The other special folders have no mailbox until one is needed, as in the mail client.
    for (const char* file : {"Sent Items.dbx", "Deleted Items.dbx", "Drafts.dbx"})
        EXPECT_FALSE(std::filesystem::exists(root_ / file)) << file;
}

TEST_F(StoreLayout, SpecialFolderGetsItsMailboxWhenFirstOpened) {
    ComPtr<IStoreFolder> sent;
    ASSERT_EQ(store_->OpenSpecialFolder(FOLDER_SENT, 0, sent.Put()), S_OK);
    ASSERT_TRUE(std::filesystem::exists(root_ / "Sent Items.dbx"));
    const dbx::MessageFileInfo info = dbx::MessageFile::Open(root_ / "Sent Items.dbx").info();
    EXPECT_EQ(info.folder_id, 6u);
    EXPECT_EQ(info.folder_name, "Sent Items");
    EXPECT_EQ(info.special, dbx::special::kSentItems);
    EXPECT_EQ(dbx::FolderFile::Open(root_ / "Folders.dbx").Find(6)->file, "Sent Items.dbx");
    const MESSAGEID id = Add(sent.Get(), "Subject: kept\r\n\r\nbody\r\n");
    EXPECT_EQ(Read(sent.Get(), id), "Subject: kept\r\n\r\nbody\r\n");
}

}  // namespace
}  // namespace storetest
