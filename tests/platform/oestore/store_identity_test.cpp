// Registration of the store server, and how Initialize finds (or makes) the identity and store.
#include <algorithm>

#include "store_test_util.h"

namespace storetest {
namespace {

std::string ReadValue(const std::string& key, const char* name, HKEY root = HKEY_CURRENT_USER) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return {};
    }
    char data[1024] = {};
    DWORD size = sizeof data;
    const LONG result =
        RegQueryValueExA(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS ? std::string(data) : std::string();
}

using StoreIdentity = StoreTest;

TEST_F(StoreIdentity, RegistrationNamesTheLibraryAndTheApartmentModel) {
    const std::string key = "CLSID\\{E70C92A9-4BFD-11D1-8A95-00C04FB951F3}\\InprocServer32";
    EXPECT_EQ(std::filesystem::path(ReadValue(key, "", HKEY_CLASSES_ROOT)), ServerPath());
    EXPECT_EQ(ReadValue(key, "ThreadingModel", HKEY_CLASSES_ROOT), "Apartment");

    ASSERT_EQ(RegisterServer(true), S_OK);
    ComPtr<IStoreNamespace> store;
    EXPECT_EQ(CoCreateInstance(CLSID_StoreNamespace, nullptr, CLSCTX_SERVER, IID_IStoreNamespace,
                               store.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

TEST_F(StoreIdentity, NewMachineGetsTheMainIdentityAndAStoreWithTheFiveFolders) {
    ComPtr<IStoreNamespace> store = Store();
    ASSERT_TRUE(store);
    const std::string id = ReadValue("Identities", "Start As");
    ASSERT_EQ(id.size(), 38u);
    EXPECT_EQ(ReadValue("Identities\\" + id, "Username"), "Main Identity");
    EXPECT_EQ(ReadValue("Identities\\" + id + "\\Software\\Microsoft\\Outlook Express\\5.0",
                        "Store Root"),
              "%UserProfile%\\Local Settings\\Application Data\\Identities\\" + id +
                  "\\Microsoft\\Outlook Express");

    const std::filesystem::path root = winpal::ProfilePath() / "Local Settings" /
                                       "Application Data" / "Identities" / id / "Microsoft" /
                                       "Outlook Express";
    EXPECT_EQ(Directory(store.Get()), root);
    const auto folders = SubFolders(store.Get(), FOLDERID_ROOT);
    EXPECT_EQ(Names(folders), (std::vector<std::string>{"Deleted Items", "Drafts", "Inbox",
                                                        "Outbox", "Sent Items"}));
    for (const FOLDERPROPS& folder : folders) {
        EXPECT_NE(folder.sfType, FOLDER_NOTSPECIAL) << folder.szName;
        EXPECT_EQ(folder.cMessage, 0u);
    }
    for (const char* file : {"Folders.dbx", "Inbox.dbx", "Outbox.dbx"})
        EXPECT_TRUE(std::filesystem::exists(root / file)) << file;
    EXPECT_FALSE(std::filesystem::exists(root / "Folders.dbx.new"));

    // A second start finds the same identity and store rather than making new ones.
    ComPtr<IStoreNamespace> again = Store();
    EXPECT_EQ(ReadValue("Identities", "Start As"), id);
    EXPECT_EQ(Directory(again.Get()), root);
}

TEST_F(StoreIdentity, StartIdentityStoreRootWithProfileVariableAndBackslashes) {
    WriteIdentity("{11111111-2222-3333-4444-555555555555}", "%UserProfile%\\Mail\\Store");
    ComPtr<IStoreNamespace> store = Store();
    ASSERT_TRUE(store);
    EXPECT_EQ(Directory(store.Get()), winpal::ProfilePath() / "Mail" / "Store");
    EXPECT_TRUE(std::filesystem::exists(winpal::ProfilePath() / "Mail" / "Store" / "Folders.dbx"));
}

TEST_F(StoreIdentity, SampleStoreOpensWithItsFoldersInTheStoreOrder) {
    testsupport::TempDir dir;
    CopySampleStore(dir.Path());
    WriteIdentity("{AAAAAAAA-2222-3333-4444-555555555555}", dir.Path().string());
    ComPtr<IStoreNamespace> store = Store();
    ASSERT_TRUE(store);
    const auto folders = SubFolders(store.Get(), FOLDERID_ROOT);
    EXPECT_EQ(Names(folders), (std::vector<std::string>{"Deleted Items", "Drafts", "Inbox",
                                                        "Outbox", "Sent Items"}));
    const FOLDERPROPS inbox = Child(store.Get(), FOLDERID_ROOT, "Inbox");
    EXPECT_EQ(inbox.dwFolderId, 4u);
    EXPECT_EQ(inbox.sfType, FOLDER_INBOX);
    EXPECT_EQ(inbox.cMessage, 1u);
    EXPECT_EQ(inbox.cSubFolders, 0);
    EXPECT_EQ(Child(store.Get(), FOLDERID_ROOT, "Drafts").sfType, FOLDER_DRAFT);

    ComPtr<IStoreFolder> special;
    ASSERT_EQ(store->OpenSpecialFolder(FOLDER_INBOX, 0, special.Put()), S_OK);
    FOLDERPROPS props{};
    props.cbSize = sizeof props;
    ASSERT_EQ(special->GetFolderProps(0, &props), S_OK);
    EXPECT_STREQ(props.szName, "Inbox");
    EXPECT_EQ(store->OpenSpecialFolder(FOLDER_MAX, 0, special.Put()), E_INVALIDARG);
}

TEST_F(StoreIdentity, UnreadableFoldersFileFailsInitializeAndIsKept) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.Path() / "Folders.dbx", "not a store");
    WriteIdentity("{BBBBBBBB-2222-3333-4444-555555555555}", dir.Path().string());
    ComPtr<IStoreNamespace> store = NewNamespace();
    ASSERT_TRUE(store);
    EXPECT_TRUE(FAILED(store->Initialize(nullptr, 0)));
    EXPECT_EQ(testsupport::ReadFile(dir.Path() / "Folders.dbx"), "not a store");
    FOLDERPROPS props{};
    props.cbSize = sizeof props;
    HENUMSTORE walk = nullptr;
    EXPECT_EQ(store->GetFirstSubFolder(FOLDERID_ROOT, &props, &walk), MSOEAPI_E_STORE_INITIALIZE);
}

TEST_F(StoreIdentity, ObjectsKeepTheLibraryLoadedUntilReleased) {
    HMODULE library = LoadLibraryA(ServerPath().c_str());
    ASSERT_TRUE(library);
    auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    {
        ComPtr<IStoreNamespace> store = Store();
        ComPtr<IStoreFolder> inbox;
        ASSERT_EQ(store->OpenSpecialFolder(FOLDER_INBOX, 0, inbox.Put()), S_OK);
        store.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(library);
}

}  // namespace
}  // namespace storetest
