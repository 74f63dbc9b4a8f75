#include "import_support/DBXFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <winpal/winpal.h>

#include "RecordingDesktop.h"
#include "RegistryFixture.h"
#include "temp_prefix.h"

namespace {

const std::string kOe = "\\Software\\Microsoft\\Outlook Express\\5.0";

class StoreLocator : public testing::Test {
  protected:
    void AddIdentity(const std::string& id, const std::string& storeRoot) {
        regfixture::SetValue(HKEY_CURRENT_USER, "Identities\\" + id + kOe, "Store Root",
                             REG_EXPAND_SZ, storeRoot);
    }
    QString Profile() const { return QString::fromStdString(winpal::ProfilePath().string()); }

    testsupport::TempPrefix prefix;
    RecordingDesktop desktop;
    DBXFiles files{desktop};
};

TEST_F(StoreLocator, NoIdentitiesGiveOnlyTheEmptySlot) {
    StoreFolderList list = files.GetStoreFolder();
    EXPECT_EQ(UBound(list), 0);
    EXPECT_EQ(list, QStringList{""});
}

TEST_F(StoreLocator, TwoIdentitiesWithProfileRootsAreExpandedInRegistryOrder) {
    AddIdentity("{2222}", "%UserProfile%\\Identities\\{2222}\\Outlook Express");
    AddIdentity("{1111}", "%UserProfile%\\Identities\\{1111}\\Outlook Express");
    StoreFolderList list = files.GetStoreFolder();
    ASSERT_EQ(UBound(list), 2);
    EXPECT_EQ(list[0], Profile() + "\\Identities\\{1111}\\Outlook Express");
    EXPECT_EQ(list[1], Profile() + "\\Identities\\{2222}\\Outlook Express");
    EXPECT_EQ(list[2], "");
}

TEST_F(StoreLocator, AbsoluteAndLowerCaseRootsAreLeftAlone) {
    AddIdentity("{1}", "/srv/mail/store");
    AddIdentity("{2}", "%userprofile%\\Mail");
    StoreFolderList list = files.GetStoreFolder();
    ASSERT_EQ(UBound(list), 2);
    EXPECT_EQ(list[0], "/srv/mail/store");
    EXPECT_EQ(list[1], "%userprofile%\\Mail");
}

TEST_F(StoreLocator, UsesTheProfileFromTheEnvironment) {
    StoreFolderList list;
    {
        testsupport::ScopedEnv env;
        env.Set("USERPROFILE", "/home/someone");
        AddIdentity("{1}", "%UserProfile%/OE");
        list = files.GetStoreFolder();
    }
    EXPECT_EQ(list[0], "/home/someone/OE");
}

TEST_F(StoreLocator, OnlyTheFirstOutlookExpressSubkeyCounts) {
    regfixture::SetValue(HKEY_CURRENT_USER,
                         "Identities\\{1}\\Software\\Microsoft\\Outlook Express\\5.0", "Store Root",
                         REG_SZ, "/first");
    regfixture::SetValue(HKEY_CURRENT_USER,
                         "Identities\\{1}\\Software\\Microsoft\\Outlook Express\\6.0", "Store Root",
                         REG_SZ, "/second");
    StoreFolderList list = files.GetStoreFolder();
    ASSERT_EQ(UBound(list), 1);
    EXPECT_EQ(list[0], "/first");
}

TEST_F(StoreLocator, BlankAndIncompleteIdentitiesAreSkippedWithoutGaps) {
    AddIdentity("   ", "/blank-name");
    AddIdentity("{1}", "/one");
    regfixture::CreateKey(HKEY_CURRENT_USER, "Identities\\{2}");  // no Outlook Express key
    regfixture::SetValue(HKEY_CURRENT_USER, "Identities\\{3}" + kOe, "Other", REG_SZ, "x");
    AddIdentity("{4}", "/four");
    StoreFolderList list = files.GetStoreFolder();
    EXPECT_EQ(list, QStringList({"/one", "/four", ""}));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST(MailboxFiles, ListsMailboxesButNotTheStoreIndexFiles) {
    testsupport::TempDir dir;
    for (const char* name : {"Inbox.dbx", "Folders.DBX", "POP3UIDL.dbx", "Sent.DBX",
                             "notes.dbx.bak", ".hidden.dbx", "readme.txt"}) {
        testsupport::WriteFile(dir.Path() / name, "x");
    }
    std::filesystem::create_directory(dir.Path() / "Folder.dbx");
    RecordingDesktop desktop;
    DBXFiles files(desktop);
    QString folder = QString::fromStdString(dir.Path().string()) + "/";
    StoreFolderList list;
    files.GetDBXFilesInPath(folder, list);
    ASSERT_EQ(UBound(list), 2);
    QStringList found = list.mid(0, 2);
    found.sort();
    EXPECT_EQ(found, QStringList({folder + "Inbox.dbx", folder + "Sent.DBX"}));
}

TEST(MailboxFiles, LeavesTheListAloneWhenNothingQualifies) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.Path() / "Folders.dbx", "x");
    RecordingDesktop desktop;
    DBXFiles files(desktop);
    StoreFolderList list{"kept"};
    files.GetDBXFilesInPath(QString::fromStdString(dir.Path().string()) + "/", list);
    EXPECT_EQ(list, QStringList{"kept"});
    files.GetDBXFilesInPath("/no/such/folder/", list);
    EXPECT_EQ(list, QStringList{"kept"});
}

}  // namespace
