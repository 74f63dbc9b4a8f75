#include "store_test_util.h"

#include <vector>

#include "dbx_test_util.h"

namespace storetest {

std::filesystem::path ServerPath() {
    std::vector<char> self(4096);
    const DWORD length = GetModuleFileNameA(nullptr, self.data(), static_cast<DWORD>(self.size()));
    return std::filesystem::path(std::string(self.data(), length)).parent_path() / "oestore.so";
}

HRESULT RegisterServer(bool unregister) {
    HMODULE library = LoadLibraryA(ServerPath().c_str());
    if (!library)
        return E_FAIL;
    auto entry = reinterpret_cast<LPFNREGISTERSERVER>(reinterpret_cast<void*>(
        GetProcAddress(library, unregister ? "DllUnregisterServer" : "DllRegisterServer")));
    const HRESULT hr = entry ? entry() : E_FAIL;
    FreeLibrary(library);
    return hr;
}

void WriteIdentity(const std::string& identityId, const std::string& storeRootText) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Identities", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Start As", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(identityId.c_str()),
                             static_cast<DWORD>(identityId.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string path =
        "Identities\\" + identityId + "\\Software\\Microsoft\\Outlook Express\\5.0";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Store Root", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(storeRootText.c_str()),
                             static_cast<DWORD>(storeRootText.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void CopySampleStore(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    for (const char* name : {"Folders.dbx", "Inbox.dbx", "Outbox.dbx"}) {
        dbxtest::CopyTo(dbxtest::Sample(name), dir);
    }
}

void StoreTest::SetUp() {
    prefix_ = std::make_unique<testsupport::TempPrefix>();
    ASSERT_EQ(RegisterServer(), S_OK);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
}

void StoreTest::TearDown() {
    CoFreeUnusedLibraries();
    CoUninitialize();
    prefix_.reset();
}

ComPtr<IStoreNamespace> StoreTest::NewNamespace() {
    ComPtr<IStoreNamespace> store;
    EXPECT_EQ(CoCreateInstance(CLSID_StoreNamespace, nullptr, CLSCTX_SERVER, IID_IStoreNamespace,
                               store.PutVoid()),
              S_OK);
    return store;
}

ComPtr<IStoreNamespace> StoreTest::Store() {
    ComPtr<IStoreNamespace> store = NewNamespace();
    if (store) {
        EXPECT_EQ(store->Initialize(nullptr, 0), S_OK);
    }
    return store;
}

std::vector<FOLDERPROPS> StoreTest::SubFolders(IStoreNamespace* store, STOREFOLDERID parent) {
    std::vector<FOLDERPROPS> folders;
    FOLDERPROPS props{};
    props.cbSize = sizeof props;
    HENUMSTORE walk = nullptr;
    HRESULT hr = store->GetFirstSubFolder(parent, &props, &walk);
    while (hr == S_OK) {
        folders.push_back(props);
        hr = store->GetNextSubFolder(walk, &props);
    }
    EXPECT_EQ(hr, S_FALSE);
    if (walk) {
        EXPECT_EQ(store->GetSubFolderClose(walk), S_OK);
    }
    return folders;
}

std::vector<std::string> StoreTest::Names(const std::vector<FOLDERPROPS>& folders) {
    std::vector<std::string> names;
    for (const FOLDERPROPS& folder : folders)
        names.emplace_back(folder.szName);
    return names;
}

FOLDERPROPS StoreTest::Child(IStoreNamespace* store, STOREFOLDERID parent,
                             const std::string& name) {
    for (const FOLDERPROPS& folder : SubFolders(store, parent)) {
        if (name == folder.szName)
            return folder;
    }
    ADD_FAILURE() << "no folder " << name;
    return FOLDERPROPS{};
}

ComPtr<IStoreFolder> StoreTest::Open(IStoreNamespace* store, STOREFOLDERID id) {
    ComPtr<IStoreFolder> folder;
    EXPECT_EQ(store->OpenFolder(id, 0, folder.Put()), S_OK);
    return folder;
}

std::vector<Message> StoreTest::Messages(IStoreFolder* folder, DWORD flags) {
    std::vector<Message> messages;
    MESSAGEPROPS props{};
    props.cbSize = sizeof props;
    HENUMSTORE walk = nullptr;
    HRESULT hr = folder->GetFirstMessage(flags, 0, MESSAGEID_FIRST, &props, &walk);
    while (hr == S_OK) {
        Message message;
        message.id = props.dwMessageId;
        message.state = props.dwState;
        message.flags = props.dwFlags;
        message.size = props.cbMessage;
        message.received = props.ftReceived;
        message.sent = props.ftSent;
        message.subject = props.pszSubject;
        message.normalSubject = props.pszNormalSubject;
        message.from = props.pszDisplayFrom;
        message.to = props.pszDisplayTo;
        messages.push_back(message);
        EXPECT_EQ(folder->FreeMessageProps(&props), S_OK);
        hr = folder->GetNextMessage(walk, flags, &props);
    }
    EXPECT_EQ(hr, S_FALSE);
    if (walk) {
        EXPECT_EQ(folder->GetMessageClose(walk), S_OK);
    }
    return messages;
}

MESSAGEID StoreTest::Add(IStoreFolder* folder, const std::string& text, DWORD state) {
    ComPtr<IStream> stream;
    MESSAGEID id = 0;
    EXPECT_EQ(folder->CreateStream(nullptr, 0, stream.Put(), &id), S_OK);
    if (!stream)
        return 0;
    ULONG written = 0;
    EXPECT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), &written), S_OK);
    EXPECT_EQ(folder->CommitStream(nullptr, 0, state, stream.Get(), id, nullptr), S_OK);
    return id;
}

std::string StoreTest::Read(IStoreFolder* folder, MESSAGEID id) {
    ComPtr<IStream> stream;
    EXPECT_EQ(folder->OpenMessage(id, IID_IStream, stream.PutVoid()), S_OK);
    std::string text;
    if (!stream)
        return text;
    char buffer[4096];
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

MESSAGEIDLIST StoreTest::List(std::vector<MESSAGEID>& ids) {
    return MESSAGEIDLIST{sizeof(MESSAGEIDLIST), static_cast<DWORD>(ids.size()), ids.data()};
}

std::filesystem::path StoreTest::Directory(IStoreNamespace* store) {
    char path[4096] = {};
    EXPECT_EQ(store->GetDirectory(path, sizeof path), S_OK);
    return winpal::PathFromAnsi(path);
}

}  // namespace storetest
