// Helpers for the store tests: the store server registered through its own DllRegisterServer in
// a fresh prefix, a namespace created with CoCreateInstance, and short ways to walk folders,
// list, add and read messages through the interface.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <oestore/msoeapi.h>
#include <winpal/windows.h>
#include <winpal/winpal.h>

#include "temp_prefix.h"

namespace storetest {

using winpal::ComPtr;

// The store library beside the test program.
std::filesystem::path ServerPath();
// Calls the library's DllRegisterServer (or DllUnregisterServer).
HRESULT RegisterServer(bool unregister = false);

// Points the start identity of the registry at `storeRoot` (the text as written to "Store Root").
void WriteIdentity(const std::string& identityId, const std::string& storeRootText);

// Copies Folders.dbx, Inbox.dbx and Outbox.dbx from the genuine samples into `dir`.
void CopySampleStore(const std::filesystem::path& dir);

struct Message {
    MESSAGEID id = 0;
    DWORD state = 0;
    DWORD flags = 0;
    DWORD size = 0;
    FILETIME received{};
    FILETIME sent{};
    std::string subject;
    std::string normalSubject;
    std::string from;
    std::string to;
};

// A fresh prefix with the server registered and COM initialised.
class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A new namespace object, not yet initialised.
    ComPtr<IStoreNamespace> NewNamespace();
    // A new namespace, initialised (the test fails otherwise).
    ComPtr<IStoreNamespace> Store();

    static std::vector<FOLDERPROPS> SubFolders(IStoreNamespace* store, STOREFOLDERID parent);
    static std::vector<std::string> Names(const std::vector<FOLDERPROPS>& folders);
    // The folder named `name` below `parent`; the test fails when there is none.
    static FOLDERPROPS Child(IStoreNamespace* store, STOREFOLDERID parent, const std::string& name);
    static ComPtr<IStoreFolder> Open(IStoreNamespace* store, STOREFOLDERID id);

    static std::vector<Message> Messages(IStoreFolder* folder, DWORD flags = 0);
    // Stores `text` through CreateStream, Write and CommitStream; returns the new id.
    static MESSAGEID Add(IStoreFolder* folder, const std::string& text, DWORD state = 0);
    static std::string Read(IStoreFolder* folder, MESSAGEID id);
    static MESSAGEIDLIST List(std::vector<MESSAGEID>& ids);

    // The store folder of the start identity, as the namespace reports it.
    static std::filesystem::path Directory(IStoreNamespace* store);

    std::unique_ptr<testsupport::TempPrefix> prefix_;
};

}  // namespace storetest
