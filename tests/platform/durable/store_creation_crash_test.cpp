// Making a new mail store, stopped at each of its writes or with that write failing: what is
// left is no store or a store whose Folders.dbx is whole, and the next opening finishes it.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "crash_points.h"
#include "dbx/check.h"
#include "dbx/folder_file.h"
#include "dbx/message_file.h"
#include "dbx_test_util.h"
#include "mail_store.h"

namespace {

const std::filesystem::path kRoot = "/sim/store";
const std::string kFolders = "/sim/store/Folders.dbx";

// The folders of a whole new store: ids with their names, checked clean.
std::vector<std::pair<uint32_t, std::string>> FolderTree(dbxtest::SimulatedFileSystem& fs) {
    dbx::OpenOptions options;
    options.fs = &fs;
    dbx::FolderFile folders = dbx::FolderFile::Open(kFolders, options);
    EXPECT_EQ(dbxtest::CheckFindings(folders.database()), "");
    std::vector<std::pair<uint32_t, std::string>> tree;
    for (const dbx::FolderInfo& folder : folders.List())
        tree.emplace_back(folder.id, folder.name);
    return tree;
}

const std::vector<std::pair<uint32_t, std::string>> kNewStore = {
    {0, "Outlook Express"}, {1, "Local Folders"}, {4, "Inbox"}, {5, "Outbox"},
    {6, "Sent Items"},      {7, "Deleted Items"}, {8, "Drafts"}};

void ExpectMailbox(dbxtest::SimulatedFileSystem& fs, const std::string& name, uint32_t folder) {
    dbx::OpenOptions options;
    options.fs = &fs;
    const std::string path = kRoot.string() + "/" + name;
    ASSERT_TRUE(fs.Has(path)) << name;
    dbx::MessageFile mailbox = dbx::MessageFile::Open(path, options);
    EXPECT_EQ(mailbox.info().folder_id, folder) << name;
    EXPECT_EQ(dbxtest::CheckFindings(mailbox.database()), "") << name;
}

TEST(StoreCreation, ACrashOrFailureAtAnyWriteLeavesNoStoreOrOneTheNextOpenFinishes) {
    const dbxtest::Change create = [](dbxtest::SimulatedFileSystem& fs) {
        oestore::MailStore::Open(kRoot, fs);
    };
    int none = 0, whole = 0;
    const int64_t writes = dbxtest::ForEveryInterruption(
        {}, create, [&](dbxtest::SimulatedFileSystem& left, const dbxtest::Interruption& how) {
            SCOPED_TRACE(how.how + " at write " + std::to_string(how.write));
            // Never a half-made Folders.dbx under its own name.
            if (left.Has(kFolders)) {
                EXPECT_EQ(FolderTree(left), kNewStore);
                ++whole;
            } else {
                ++none;
            }
            // The next opening finishes the store, and it takes changes.
            std::shared_ptr<oestore::MailStore> store;
            ASSERT_NO_THROW(store = oestore::MailStore::Open(kRoot, left));
            EXPECT_EQ(FolderTree(left), kNewStore);
            ExpectMailbox(left, "Inbox.dbx", 4);
            ExpectMailbox(left, "Outbox.dbx", 5);
            EXPECT_FALSE(left.Has(kFolders + ".new"));
            STOREFOLDERID made = 0;
            EXPECT_EQ(store->CreateFolder(FOLDERID_ROOT, "Afterwards", &made), S_OK);
            EXPECT_EQ(FolderTree(left).size(), kNewStore.size() + 1);
        });
    EXPECT_GT(writes, 10);
    EXPECT_GT(none, 0);
    EXPECT_GT(whole, 0);
}

}  // namespace
