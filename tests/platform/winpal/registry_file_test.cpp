// The hive files: what is written comes back exactly, changes made on disk are seen, a
// malformed file is reported and left alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
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

struct Sample {
    std::string name;
    DWORD type;
    std::string bytes;
};

// All the bytes of a literal, its terminating NUL included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N);
}

// Every type, text that is not exactly text plus one NUL, and names that need escaping.
std::vector<Sample> Samples() {
    std::string binary(5000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 7 + 3);
    return {
        {"", REG_SZ, Bytes("default")},
        {"plain", REG_SZ, Bytes("C:\\Program Files\\\"quoted\"")},
        {"no terminator", REG_SZ, "abc"},
        {"inner nul", REG_SZ, std::string("a\0b\0", 4)},
        {"line\r\nbreaks", REG_SZ, Bytes("one\r\ntwo")},
        {"empty text", REG_SZ, ""},
        {"long text", REG_SZ, std::string(6000, 'L') + '\0'},
        {"expand", REG_EXPAND_SZ, Bytes("%UserProfile%\\x")},
        {"binary", REG_BINARY, binary},
        {"empty binary", REG_BINARY, ""},
        {"dword", REG_DWORD, "\x78\x56\x34\x12"},
        {"short dword", REG_DWORD, "\x01\x02"},
        {"big endian", REG_DWORD_BIG_ENDIAN, "\x12\x34\x56\x78"},
        {"link", REG_LINK, "\\Registry\\Machine"},
        {"multi", REG_MULTI_SZ, Bytes("one\0two\0")},
        {"qword", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"},
        {"none", REG_NONE, Bytes("\xff")},
        {"odd type", 0x12345, "xyz"},
        {"quote\"and\\backslash", REG_SZ, Bytes("\\\\server\\share\"")},
        {"\xdcml\xe4ut \x80", REG_SZ, Bytes("\xe9t\xe9")},
        {"trailing backslash\\", REG_DWORD, std::string(4, '\0')},
    };
}

// Opens the registry of `from` in a fresh prefix holding a copy of its files, so that
// everything read comes from the files alone.
class FreshCopy {
  public:
    explicit FreshCopy(const std::filesystem::path& from) {
        for (const char* name : {"system.reg", "user.reg"}) {
            if (std::filesystem::exists(from / name)) {
                std::filesystem::copy_file(from / name, copy_.Path() / name);
            }
        }
    }
    const std::filesystem::path& Path() const { return copy_.Path(); }

  private:
    testsupport::TempPrefix copy_;
};

class RegistryFile : public testing::Test {
  protected:
    testsupport::TempPrefix prefix_;
};

TEST_F(RegistryFile, EveryValueTypeAndNameRoundTripsExactly) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Round \"Trip\"\\[brackets]");
    for (const Sample& sample : Samples()) {
        ASSERT_EQ(SetBytes(key, sample.name.c_str(), sample.type, sample.bytes), ERROR_SUCCESS)
            << sample.name;
    }
    RegCloseKey(key);
    std::string written = testsupport::ReadFile(prefix_.Path() / "user.reg");

    FreshCopy copy(prefix_.Path());
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, "software\\round \"trip\"\\[BRACKETS]", 0, KEY_READ, &key),
        ERROR_SUCCESS)
        << written;
    std::vector<std::string> expectedNames;
    for (const Sample& sample : Samples()) {
        DWORD type = 0;
        std::string bytes;
        ASSERT_EQ(QueryBytes(key, sample.name.c_str(), &type, &bytes), ERROR_SUCCESS)
            << sample.name << "\n"
            << written;
        EXPECT_EQ(type, sample.type) << sample.name;
        EXPECT_EQ(bytes, sample.bytes) << sample.name << "\n" << written;
        expectedNames.push_back(sample.name);
    }
    EXPECT_EQ(ValueNames(key), expectedNames) << "creation order survives the file";
    RegCloseKey(key);
    // Saving what was read gives the same file again.
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Software\\Touch"));
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Touch");
    EXPECT_EQ(testsupport::ReadFile(copy.Path() / "user.reg"), written);
}

TEST_F(RegistryFile, WritesRegeditTextWithWrappedHexLines) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Format");
    ASSERT_EQ(SetText(key, nullptr, "d"), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "n", REG_DWORD, std::string("\x2a\0\0\0", 4)), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "bin", REG_BINARY, std::string(40, '\x11')), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(key, "x", REG_EXPAND_SZ, std::string("%A%", 4)), ERROR_SUCCESS);
    RegCloseKey(CreateKey(key, "Empty"));
    RegCloseKey(key);
    std::string hexLine1 = "\"bin\"=hex:";
    for (int i = 0; i < 22; ++i)
        hexLine1 += "11,";
    std::string hexLine2 = "  ";
    for (int i = 0; i < 18; ++i)
        hexLine2 += i < 17 ? "11," : "11";
    EXPECT_EQ(testsupport::ReadFile(prefix_.Path() / "user.reg"),
              "Windows Registry Editor Version 5.00\n"
              "\n[HKEY_CURRENT_USER]\n"
              "\n[HKEY_CURRENT_USER\\Format]\n"
              "@=\"d\"\n"
              "\"n\"=dword:0000002a\n" +
                  hexLine1 + "\\\n" + hexLine2 +
                  "\n"
                  "\"x\"=hex(2):25,00,41,00,25,00,00,00\n"
                  "\n[HKEY_CURRENT_USER\\Format\\Empty]\n");
}

TEST_F(RegistryFile, ClassesAreSavedInTheMachineFile) {
    RegCloseKey(CreateKey(HKEY_CLASSES_ROOT, "Quill.Box\\CLSID"));
    std::string machine = testsupport::ReadFile(prefix_.Path() / "system.reg");
    EXPECT_NE(machine.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\Quill.Box\\CLSID]"),
              std::string::npos)
        << machine;
    EXPECT_FALSE(std::filesystem::exists(prefix_.Path() / "user.reg"));
}

TEST_F(RegistryFile, EmptyKeysSurviveTheFile) {
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "Software\\Empty\\Deeper"));
    FreshCopy copy(prefix_.Path());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Empty\\Deeper", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Another process replaces the file (as our writers do, by rename); the next call sees it.
TEST_F(RegistryFile, FileReplacedOnDiskIsReadAgain) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Watched");
    ASSERT_EQ(SetText(key, "v", "before"), ERROR_SUCCESS);
    std::filesystem::path file = prefix_.Path() / "user.reg";
    testsupport::WriteFile(prefix_.Path() / "replacement",
                           "Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_CURRENT_USER\\Watched]\r\n\"v\"=\"after\"\r\n");
    std::filesystem::rename(prefix_.Path() / "replacement", file);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(key, "v", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("after", 6));

    testsupport::WriteFile(prefix_.Path() / "replacement",
                           "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER]\n");
    std::filesystem::rename(prefix_.Path() / "replacement", file);
    EXPECT_EQ(QueryBytes(key, "v", &type, &bytes), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

TEST_F(RegistryFile, MalformedFileIsReportedAndNeverOverwritten) {
    std::filesystem::path file = prefix_.Path() / "user.reg";
    const std::string broken =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Identities]\n"
        "\"Start As\"=dword:xyz\n";
    testsupport::WriteFile(file, broken);
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "Software\\Unaffected"));

    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Identities", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Identities", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetText(HKEY_CURRENT_USER, "v", "x"), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_BADDB);
    std::string error;
    EXPECT_EQ(winpal::RegImportText(
                  "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n", &error),
              ERROR_BADDB);
    std::string stderrText = testing::internal::GetCapturedStderr();

    std::string where = file.string() + ":4:";
    EXPECT_EQ(winpal::RegLastLoadError().rfind(where, 0), 0u) << winpal::RegLastLoadError();
    EXPECT_NE(error.find(where), std::string::npos) << error;
    std::size_t first = stderrText.find(where);
    ASSERT_NE(first, std::string::npos) << stderrText;
    EXPECT_EQ(stderrText.find(where, first + 1), std::string::npos)
        << "reported once per state of the file:\n"
        << stderrText;
    EXPECT_EQ(testsupport::ReadFile(file), broken);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Unaffected", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "the other hive still works";
    RegCloseKey(key);

    testsupport::WriteFile(file,
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Identities]\n\"Start As\"=dword:1\n");
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Identities", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(winpal::RegLastLoadError(), "");
}

TEST_F(RegistryFile, KeysOfAnotherRootInAHiveFileMakeItMalformed) {
    testsupport::WriteFile(prefix_.Path() / "system.reg",
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_LOCAL_MACHINE\\Software]\n\n"
                           "[HKEY_CURRENT_USER\\Misplaced]\n");
    HKEY key = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    testing::internal::GetCapturedStderr();
    EXPECT_NE(winpal::RegLastLoadError().find("system.reg:5: a key of HKEY_CURRENT_USER"),
              std::string::npos)
        << winpal::RegLastLoadError();
}

}  // namespace
