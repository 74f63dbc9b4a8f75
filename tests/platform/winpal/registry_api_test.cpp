// The Reg* functions: key and value lifecycle, enumeration order, buffer rules, access rights,
// handles, the predefined roots.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "registry_test_util.h"
#include "temp_prefix.h"

namespace {

using regtest::CreateKey;
using regtest::QueryBytes;
using regtest::SetBytes;
using regtest::SetText;
using regtest::SubkeyNames;
using regtest::ValueNames;

class RegistryApi : public testing::Test {
  protected:
    testsupport::TempPrefix prefix_;
};

TEST_F(RegistryApi, KeysAreFoundWithoutRegardToCaseAndKeepTheirCase) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\MixedCase\\Leaf", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\mixedcase\\LEAF", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);

    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), std::vector<std::string>{"MixedCase"});
    RegCloseKey(software);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Missing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &key),
              ERROR_BAD_PATHNAME);
}

TEST_F(RegistryApi, SubkeysEnumerateInUpperCaseOrdinalOrder) {
    HKEY parent = CreateKey(HKEY_CURRENT_USER, "Order");
    for (const char* name : {"beta", "_under", "Zed", "Alpha", "alphA2"}) {
        RegCloseKey(CreateKey(parent, name));
    }
    // Upper-cased, "_" (0x5F) sorts after "Z" (0x5A): a case-sensitive or lower-cased
    // comparison would put it elsewhere.
    EXPECT_EQ(SubkeyNames(parent),
              (std::vector<std::string>{"Alpha", "alphA2", "beta", "Zed", "_under"}));
    RegCloseKey(parent);
}

TEST_F(RegistryApi, ValuesEnumerateInCreationOrderAndKeepTheirPlaceWhenSet) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Values");
    ASSERT_EQ(SetText(key, "b", "1"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "A", "2"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "c", "3"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "B", "changed"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"b", "A", "c"}));
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(key, "b", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("changed", 8));

    ASSERT_EQ(RegDeleteValueA(key, "A"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "A"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetText(key, "a", "again"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"b", "c", "a"}));
    RegCloseKey(key);
}

TEST_F(RegistryApi, QueryValueFollowsTheBufferRules) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Buffers");
    ASSERT_EQ(SetText(key, "text", "hello"), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 6u);

    char small[4] = {'x', 'x', 'x', 'x'};
    size = sizeof small;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "text", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    char exact[6];
    size = sizeof exact;
    ASSERT_EQ(
        RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(exact, "hello");

    EXPECT_EQ(
        RegQueryValueExA(key, "text", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "absent", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryApi, TextIsStoredExactlyAsGivenWithOrWithoutTerminator) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Terminators");
    ASSERT_EQ(SetBytes(key, "bare", REG_SZ, "abc"), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "double", REG_MULTI_SZ, std::string("a\0b\0\0", 5)), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "empty", REG_SZ, ""), ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(key, "bare", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, "abc");
    ASSERT_EQ(QueryBytes(key, "double", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("a\0b\0\0", 5));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    ASSERT_EQ(QueryBytes(key, "empty", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, "");
    RegCloseKey(key);
}

TEST_F(RegistryApi, DefaultValueIsNamedByNullOrEmptyText) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Default");
    ASSERT_EQ(SetText(key, nullptr, "by null"), ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(key, "", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("by null", 8));
    ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, "Default\\Created", REG_SZ, "set", 999),
              ERROR_SUCCESS);
    HKEY created = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, "created", 0, KEY_READ, &created), ERROR_SUCCESS);
    ASSERT_EQ(QueryBytes(created, nullptr, &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("set", 4));
    EXPECT_EQ(RegSetValueA(key, nullptr, REG_DWORD, "x", 2), ERROR_INVALID_PARAMETER);
    RegCloseKey(created);
    RegCloseKey(key);
}

// The store locator reads values with a 260-character name buffer and a 4096-byte data buffer,
// and reads again with the size reported when the data does not fit.
TEST_F(RegistryApi, LongValueIsReadWholeAfterMoreData) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Long");
    std::string text(10000, 'x');
    for (std::size_t i = 0; i < text.size(); i += 7)
        text[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(SetText(key, "Store Root", text), ERROR_SUCCESS);

    char name[260];
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    std::vector<BYTE> data(4096);
    DWORD dataSize = static_cast<DWORD>(data.size());
    ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, data.data(), &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 10001u);
    EXPECT_EQ(nameSize, 260u) << "the name size is left alone when the data does not fit";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    data.resize(dataSize);
    ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, data.data(), &dataSize),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, nameSize), "Store Root");
    EXPECT_EQ(dataSize, 10001u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data()), dataSize - 1), text);

    dataSize = 4096;
    data.assign(4096, 0);
    EXPECT_EQ(RegQueryValueExA(key, "store root", nullptr, &type, data.data(), &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 10001u);
    RegCloseKey(key);
}

TEST_F(RegistryApi, NameBuffersMustHoldTheNameAndItsTerminator) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Names");
    std::string fits(259, 'f');
    std::string tooLong(260, 't');
    ASSERT_EQ(SetText(key, fits.c_str(), "1"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, tooLong.c_str(), "2"), ERROR_SUCCESS);

    char name[260];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 259u);
    EXPECT_EQ(std::string(name), fits);

    std::memset(name, '#', sizeof name);
    size = sizeof name;
    DWORD dataSize = 0;
    EXPECT_EQ(RegEnumValueA(key, 1, name, &size, nullptr, nullptr, nullptr, &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 260u);
    EXPECT_EQ(dataSize, 2u);
    EXPECT_EQ(name[0], '#') << "nothing is copied when the name does not fit";

    RegCloseKey(CreateKey(key, "Sub12345"));
    size = 8;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    size = 9;
    ASSERT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_STREQ(name, "Sub12345");
    EXPECT_EQ(RegEnumKeyExA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryApi, HandlesRefuseWhatTheirAccessDoesNotAllow) {
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Access\\Child"));
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Access", 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(SetText(reader, "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "v"), ERROR_ACCESS_DENIED);
    HKEY child = nullptr;
    EXPECT_EQ(
        RegCreateKeyExA(reader, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
        ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegCreateKeyExA(reader, "Child", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr),
              ERROR_SUCCESS)
        << "opening an existing key needs no right on the parent";
    RegCloseKey(child);
    EXPECT_EQ(RegDeleteTreeA(reader, "Child"), ERROR_ACCESS_DENIED);

    HKEY writer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Access", 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
    EXPECT_EQ(SetText(writer, "v", "x"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(writer, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    char name[16];
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(writer, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);

    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Access"), ERROR_ACCESS_DENIED)
        << "a key with subkeys";
    EXPECT_EQ(RegDeleteKeyA(reader, "Child"), ERROR_SUCCESS)
        << "RegDeleteKeyA does not depend on the parent handle's rights";
    RegCloseKey(reader);
    RegCloseKey(writer);
}

TEST_F(RegistryApi, BadHandlesAndDeletedKeysAreReported) {
    DWORD size = 0;
    EXPECT_EQ(
        RegQueryValueExA(reinterpret_cast<HKEY>(0x4242), "x", nullptr, nullptr, nullptr, &size),
        ERROR_INVALID_HANDLE);
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Doomed\\Inner");
    HKEY outer = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Doomed", 0, KEY_ALL_ACCESS, &outer), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "v", "x"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "doomed"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetText(outer, "v", "x"), ERROR_KEY_DELETED);

    // A key of the same name created afterwards is a different key.
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Doomed\\Inner"));
    EXPECT_EQ(SetText(key, "v", "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(outer), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryApi, DeleteKeyAndDeleteTree) {
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Tree\\A\\Deep"));
    HKEY tree = CreateKey(HKEY_CURRENT_USER, "Tree");
    ASSERT_EQ(SetText(tree, "v", "x"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(tree, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(tree, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(tree, "A\\Deep"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(tree, "A"), ERROR_SUCCESS);
    RegCloseKey(CreateKey(tree, "B\\C"));

    ASSERT_EQ(RegDeleteTreeA(tree, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(tree).empty());
    EXPECT_TRUE(ValueNames(tree).empty());
    EXPECT_EQ(SetText(tree, "still", "there"), ERROR_SUCCESS) << "the key itself remains";
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Tree\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED) << "a root key";
    RegCloseKey(tree);
}

TEST_F(RegistryApi, ClassesRootIsLocalMachineSoftwareClasses) {
    HKEY server = CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{0001}\\InprocServer32");
    ASSERT_EQ(SetText(server, nullptr, "/opt/lib/server.so"), ERROR_SUCCESS);
    RegCloseKey(server);

    HKEY viaMachine = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{0001}\\InprocServer32",
                            0, KEY_READ, &viaMachine),
              ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(viaMachine, nullptr, &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("/opt/lib/server.so", 19));
    RegCloseKey(viaMachine);

    HKEY progId = CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\CLASSES\\Some.ProgID");
    RegCloseKey(progId);
    HKEY classes = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &classes), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(classes), (std::vector<std::string>{"CLSID", "Some.ProgID"}));
    RegCloseKey(classes);

    ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{0001}"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{0001}", 0, KEY_READ,
                            &viaMachine),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, OtherRootsExistEmptyAndReadOnly) {
    for (HKEY root : {HKEY_USERS, HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA}) {
        char name[16];
        DWORD size = sizeof name;
        EXPECT_EQ(RegEnumKeyExA(root, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
                  ERROR_NO_MORE_ITEMS);
        HKEY key = nullptr;
        EXPECT_EQ(
            RegCreateKeyExA(root, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
        EXPECT_EQ(SetText(root, "v", "x"), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegOpenKeyExA(root, "Anything", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(RegOpenKeyExA(root, "", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        EXPECT_EQ(SetText(key, "v", "x"), ERROR_ACCESS_DENIED);
        RegCloseKey(key);
    }
    EXPECT_FALSE(std::filesystem::exists(prefix_.Path() / "system.reg"));
    EXPECT_FALSE(std::filesystem::exists(prefix_.Path() / "user.reg"));
}

TEST_F(RegistryApi, AnsiTextIsConvertedThroughTheCodePage) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Caf\xe9");
    ASSERT_EQ(SetText(key, "na\xefve", "\x80 5"), ERROR_SUCCESS);  // euro sign in Windows-1252
    std::string file = testsupport::ReadFile(prefix_.Path() / "user.reg");
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Caf\xc3\xa9]"), std::string::npos) << file;
    EXPECT_NE(file.find("\"na\xc3\xafve\"=\"\xe2\x82\xac 5\""), std::string::npos) << file;

    testsupport::ScopedEnv env;
    env.Set("WINPAL_ACP", "65001");
    DWORD type = 0;
    std::string bytes;
    EXPECT_EQ(QueryBytes(key, "na\xc3\xafve", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\xe2\x82\xac 5", 6));
    env.Clear("WINPAL_ACP");
    EXPECT_EQ(QueryBytes(key, "NA\xcfVE", &type, &bytes), ERROR_SUCCESS) << "I-diaeresis folds";
    EXPECT_EQ(bytes, std::string("\x80 5", 4));
    RegCloseKey(key);
}

TEST_F(RegistryApi, QueryInfoKeyCountsAndMeasures) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Info");
    RegCloseKey(CreateKey(key, "short"));
    RegCloseKey(CreateKey(key, "a longer name"));
    ASSERT_EQ(SetText(key, "n", std::string(300, 'd')), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "longest name", REG_BINARY, "12"), ERROR_SUCCESS);
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr,
                               &values, &maxName, &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(maxSubkey, 13u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 12u);
    EXPECT_EQ(maxData, 602u);  // the text as stored, in UTF-16, as Windows measures it
    RegCloseKey(key);
}

TEST_F(RegistryApi, NewKeyNamesKeepToWindowsLimits) {
    HKEY key = nullptr;
    std::string longest(255, 'k');
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, longest.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    std::string tooLong(256, 'k');
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    std::string deep;
    for (int i = 0; i < 513; ++i)
        deep += "d\\";
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, deep.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryApi, ThreadsChangingOneKeyAtOnceKeepEveryValue) {
    HKEY shared = CreateKey(HKEY_CURRENT_USER, "Threads");
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
                HKEY own = nullptr;
                if (RegOpenKeyExA(HKEY_CURRENT_USER, "Threads", 0, KEY_ALL_ACCESS, &own) ||
                    SetText(own, name.c_str(), name) || RegCloseKey(own)) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    EXPECT_EQ(ValueNames(shared).size(), 80u);
    RegCloseKey(shared);
}

}  // namespace
