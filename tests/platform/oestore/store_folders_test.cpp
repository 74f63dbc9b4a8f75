// Folder operations through IStoreNamespace: creation rules and their failure codes, rename,
// move, delete with subfolders and files, special folders, walks and compaction.
#include "store_test_util.h"

namespace storetest {
namespace {

constexpr HRESULT kNameInUse = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
constexpr HRESULT kBadName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
constexpr HRESULT kNameTooLong = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

class StoreFolders : public StoreTest {
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
    STOREFOLDERID Create(const std::string& name, STOREFOLDERID parent = FOLDERID_ROOT) {
        STOREFOLDERID id = 0;
        EXPECT_EQ(store_->CreateFolder(parent, name.c_str(), 0, &id), S_OK) << name;
        return id;
    }

    ComPtr<IStoreNamespace> store_;
    std::filesystem::path root_;
};

TEST_F(StoreFolders, NewFolderGetsAMailboxNamedAfterIt) {
    const STOREFOLDERID id = Create("Archive 2004");
    EXPECT_TRUE(std::filesystem::exists(root_ / "Archive 2004.dbx"));
    const FOLDERPROPS folder = Child(store_.Get(), FOLDERID_ROOT, "Archive 2004");
    EXPECT_EQ(folder.dwFolderId, id);
    EXPECT_EQ(folder.sfType, FOLDER_NOTSPECIAL);
    EXPECT_EQ(folder.cMessage, 0u);
    EXPECT_TRUE(Open(store_.Get(), id));

    // A new namespace (another process, later) sees the folder too.
    EXPECT_EQ(Child(Store().Get(), FOLDERID_ROOT, "Archive 2004").dwFolderId, id);

    // Names are code-page text; the file on disk is named in UTF-8, as dbxtool looks for it.
    const STOREFOLDERID economy = Create(
        "\xC9"
        "conomie");
    EXPECT_TRUE(std::filesystem::exists(root_ / "\u00C9conomie.dbx"));
    EXPECT_TRUE(Open(store_.Get(), economy));
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT,
                                   "\xE9"
                                   "conomie",
                                   0, nullptr),
              kNameInUse)
        << "the same name in another letter case";

    // The five bytes code page 1252 leaves unassigned stand for the C1 controls, as in Windows.
    const STOREFOLDERID unassigned = Create("x\x81\x8D\x8F\x90\x9Dy");
    EXPECT_TRUE(std::filesystem::exists(root_ / "x\u0081\u008D\u008F\u0090\u009Dy.dbx"));
    EXPECT_TRUE(Open(store_.Get(), unassigned));
    EXPECT_EQ(Child(Store().Get(), FOLDERID_ROOT, "x\x81\x8D\x8F\x90\x9Dy").dwFolderId, unassigned);
}

TEST_F(StoreFolders, CreateRefusesNamesThatCannotBeFileNames) {
    for (const char* name :
         {"",        ".",        "..",      "a/b",      "a\\b",       "a:b",  "a*b", "a?b",
          "a\"b",    "a<b",      "a>b",     "a|b",      "tab\there",  "CON",  "nul", "Lpt1",
          "Folders", "pop3uidl", "CON.txt", "lpt1.old", "Aux.tar.gz", "com9."}) {
        EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, name, 0, nullptr), kBadName) << name;
    }
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, std::string(256, 'x').c_str(), 0, nullptr),
              kNameTooLong);
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, nullptr, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(store_->CreateFolder(4242, "Orphan", 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Names(SubFolders(store_.Get(), FOLDERID_ROOT)).size(), 5u);

    // A device name counts as the whole name or before an extension; the names of the store's
    // own files count only as the whole name.
    for (const char* name : {"Console", "COM10", "nul-free", "Folders.old", "Offline.2"})
        EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, name, 0, nullptr), S_OK) << name;
}

// Beside NAME.dbx the store makes NAME.dbx.journal while a change is committed and NAME.dbx.new
// while it compacts: a name is refused when the longest of them would pass 255 bytes on disk.
TEST_F(StoreFolders, NamesLeaveRoomForTheJournalOfTheirMailbox) {
    const std::string longest(243, 'n');
    const STOREFOLDERID id = Create(longest);
    ComPtr<IStoreFolder> folder = Open(store_.Get(), id);
    ASSERT_TRUE(folder);
    Add(folder.Get(), "Subject: fits\r\n\r\nbody\r\n");
    Add(folder.Get(), "Subject: fits too\r\n\r\nbody\r\n");
    std::vector<MESSAGEID> ids{Messages(folder.Get())[0].id};
    MESSAGEIDLIST list = List(ids);
    EXPECT_EQ(folder->DeleteMessages(&list, 0, nullptr), S_OK);
    EXPECT_EQ(folder->Compact(0), S_OK);
    EXPECT_EQ(Messages(folder.Get()).size(), 1u);
    for (size_t length : {244, 245, 247}) {
        EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, std::string(length, 'm').c_str(), 0, nullptr),
                  kNameTooLong)
            << length;
    }
    // The limit counts bytes on disk: "\xE9" (é) is one byte in the code page and two in UTF-8.
    EXPECT_EQ(
        store_->CreateFolder(FOLDERID_ROOT, (std::string(121, '\xE9') + "a").c_str(), 0, nullptr),
        S_OK);
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, std::string(122, '\xE9').c_str(), 0, nullptr),
              kNameTooLong);
    // A new name follows the same rule, though a rename keeps the file.
    EXPECT_EQ(store_->RenameFolder(id, 0, std::string(244, 'r').c_str()), kNameTooLong);
    EXPECT_EQ(store_->RenameFolder(id, 0, std::string(243, 'r').c_str()), S_OK);
}

TEST_F(StoreFolders, CreateRefusesASiblingNameOrAFileNameInUseInAnyLetterCase) {
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, "inbox", 0, nullptr), kNameInUse);
    const STOREFOLDERID projects = Create("Projects");
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, "PROJECTS", 0, nullptr), kNameInUse);

    // Below another parent the name is free, but its file name is not: files share one folder.
    EXPECT_EQ(store_->CreateFolder(projects, "projects", 0, nullptr), kNameInUse);
    // A renamed folder keeps its file, so its old name stays taken.
    ASSERT_EQ(store_->RenameFolder(projects, 0, "Work"), S_OK);
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, "Projects", 0, nullptr), kNameInUse);
    // A stray file in the store folder is never overwritten.
    testsupport::WriteFile(root_ / "leftover.dbx", "mail");
    EXPECT_EQ(store_->CreateFolder(FOLDERID_ROOT, "Leftover", 0, nullptr), kNameInUse);
    EXPECT_EQ(testsupport::ReadFile(root_ / "leftover.dbx"), "mail");
    // A subfolder with a fresh name is fine.
    const STOREFOLDERID sub = Create("Sub", projects);
    EXPECT_EQ(Child(store_.Get(), projects, "Sub").dwFolderId, sub);
    EXPECT_EQ(Child(store_.Get(), FOLDERID_ROOT, "Work").cSubFolders, 1);
}

TEST_F(StoreFolders, SpecialFoldersAndTheRootCannotBeRenamedMovedOrDeleted) {
    const STOREFOLDERID inbox = Child(store_.Get(), FOLDERID_ROOT, "Inbox").dwFolderId;
    const STOREFOLDERID other = Create("Other");
    EXPECT_EQ(store_->RenameFolder(inbox, 0, "Post"), E_ACCESSDENIED);
    EXPECT_EQ(store_->MoveFolder(inbox, other, 0), E_ACCESSDENIED);
    EXPECT_EQ(store_->DeleteFolder(inbox, 0), E_ACCESSDENIED);
    EXPECT_EQ(store_->DeleteFolder(FOLDERID_ROOT, 0), E_ACCESSDENIED);
    EXPECT_EQ(store_->RenameFolder(FOLDERID_ROOT, 0, "Top"), E_ACCESSDENIED);
    EXPECT_EQ(Child(store_.Get(), FOLDERID_ROOT, "Inbox").dwFolderId, inbox);
}

TEST_F(StoreFolders, RenameChecksSiblingsButKeepsTheFile) {
    const STOREFOLDERID a = Create("Alpha");
    Create("Beta");
    EXPECT_EQ(store_->RenameFolder(a, 0, "beta"), kNameInUse);
    EXPECT_EQ(store_->RenameFolder(a, 0, "Al/pha"), kBadName);
    EXPECT_EQ(store_->RenameFolder(a, 0, "ALPHA"), S_OK);  // its own name in other letters
    EXPECT_EQ(store_->RenameFolder(a, 0, "Gamma"), S_OK);
    EXPECT_EQ(Child(store_.Get(), FOLDERID_ROOT, "Gamma").dwFolderId, a);
    EXPECT_TRUE(std::filesystem::exists(root_ / "Alpha.dbx"));
    EXPECT_FALSE(std::filesystem::exists(root_ / "Gamma.dbx"));
}

TEST_F(StoreFolders, MoveRefusesLoopsAndNameClashes) {
    const STOREFOLDERID a = Create("A");
    const STOREFOLDERID b = Create("B");
    const STOREFOLDERID a1 = Create("A1", a);
    Create("A1x", b);
    EXPECT_TRUE(FAILED(store_->MoveFolder(a, a1, 0)));
    EXPECT_TRUE(FAILED(store_->MoveFolder(a, a, 0)));
    ASSERT_EQ(store_->MoveFolder(a1, b, 0), S_OK);
    EXPECT_EQ(Names(SubFolders(store_.Get(), b)), (std::vector<std::string>{"A1", "A1x"}));
    EXPECT_TRUE(SubFolders(store_.Get(), a).empty());
    ASSERT_EQ(store_->RenameFolder(a1, 0, "Dup"), S_OK);
    Create("Dup");
    EXPECT_EQ(store_->MoveFolder(a1, FOLDERID_ROOT, 0), kNameInUse);
    EXPECT_EQ(store_->MoveFolder(a1, 4242, 0), E_INVALIDARG);
}

TEST_F(StoreFolders, DeleteRemovesSubfoldersAndTheirFiles) {
    const STOREFOLDERID a = Create("A");
    const STOREFOLDERID a1 = Create("A1", a);
    Create("A11", a1);
    Create("Keep");
    ASSERT_EQ(store_->DeleteFolder(a, 0), S_OK);
    for (const char* file : {"A.dbx", "A1.dbx", "A11.dbx"}) {
        EXPECT_FALSE(std::filesystem::exists(root_ / file)) << file;
    }
    EXPECT_TRUE(std::filesystem::exists(root_ / "Keep.dbx"));
    EXPECT_EQ(Names(SubFolders(store_.Get(), FOLDERID_ROOT)).size(), 6u);
    ComPtr<IStoreFolder> gone;
    EXPECT_EQ(store_->OpenFolder(a1, 0, gone.Put()), E_INVALIDARG);
    // The name and file name are free again.
    Create("A");
}

TEST_F(StoreFolders, WalksAreDepthFirstInputsAreChecked) {
    const STOREFOLDERID a = Create("A");
    Create("A2", a);
    Create("A1", a);
    EXPECT_EQ(Names(SubFolders(store_.Get(), a)), (std::vector<std::string>{"A1", "A2"}));
    FOLDERPROPS props{};
    props.cbSize = 68;
    HENUMSTORE walk = nullptr;
    EXPECT_EQ(store_->GetFirstSubFolder(a, &props, &walk), E_INVALIDARG);
    props.cbSize = sizeof props;
    EXPECT_EQ(store_->GetFirstSubFolder(a, &props, nullptr), E_INVALIDARG);
    EXPECT_EQ(store_->GetNextSubFolder(reinterpret_cast<HENUMSTORE>(&props), &props), E_INVALIDARG);
    EXPECT_EQ(store_->GetSubFolderClose(reinterpret_cast<HENUMSTORE>(&props)), E_INVALIDARG);
    const STOREFOLDERID leaf = Child(store_.Get(), a, "A1").dwFolderId;
    EXPECT_EQ(store_->GetFirstSubFolder(leaf, &props, &walk), S_FALSE);
    EXPECT_EQ(walk, nullptr);
    EXPECT_EQ(store_->GetFolderProps(leaf, 0, &props), S_OK);
    EXPECT_STREQ(props.szName, "A1");
}

TEST_F(StoreFolders, CompactAllKeepsEveryFolderAndMessage) {
    const STOREFOLDERID a = Create("A");
    ComPtr<IStoreFolder> folder = Open(store_.Get(), a);
    const std::string text = "From: x@example.com\r\nSubject: kept\r\n\r\nbody\r\n";
    const MESSAGEID first = Add(folder.Get(), text);
    const MESSAGEID second = Add(folder.Get(), text + "more\r\n");
    std::vector<MESSAGEID> ids{first};
    MESSAGEIDLIST list = List(ids);
    ASSERT_EQ(folder->DeleteMessages(&list, 0, nullptr), S_OK);
    EXPECT_EQ(store_->CompactAll(0), S_OK);
    EXPECT_EQ(Names(SubFolders(store_.Get(), FOLDERID_ROOT)).size(), 6u);
    const auto messages = Messages(folder.Get());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Read(folder.Get(), second), text + "more\r\n");
}

}  // namespace
}  // namespace storetest
