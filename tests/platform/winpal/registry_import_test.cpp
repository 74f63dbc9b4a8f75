// Importing .reg files (regedit's UTF-16 exports, REGEDIT4, our own UTF-8) and exporting keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "registry_test_util.h"
#include "temp_prefix.h"

namespace {

using regtest::CreateKey;
using regtest::QueryBytes;
using regtest::SetText;
using regtest::SubkeyNames;
using regtest::ValueNames;

// `utf8` as regedit writes a file: UTF-16LE with a byte-order mark and CRLF line ends.
std::string AsRegeditFile(const std::string& utf8) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : winpal::Utf8ToUtf16(utf8)) {
        if (c == u'\n')
            bytes += std::string("\r\0", 2);
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Text(HKEY key, const char* name) {
    DWORD type = 0;
    std::string bytes;
    if (QueryBytes(key, name, &type, &bytes) != ERROR_SUCCESS)
        return "<missing>";
    return bytes;
}

class RegistryImport : public testing::Test {
  protected:
    testsupport::TempPrefix prefix_;
};

TEST_F(RegistryImport, RegeditUtf16ExportWithDeletionsAndWrappedHex) {
    HKEY old = CreateKey(HKEY_CURRENT_USER, "Identities\\Stale\\Child");
    RegCloseKey(old);
    HKEY identities = CreateKey(HKEY_CURRENT_USER, "Identities");
    ASSERT_EQ(SetText(identities, "Obsolete", "x"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(identities, "Kept", "k"), ERROR_SUCCESS);

    std::string expandHex;  // "%UserProfile%\Mail" in UTF-16LE, wrapped as regedit does
    std::u16string expand = u"%UserProfile%\\Mail";
    for (char16_t c : expand) {
        char piece[16];
        std::snprintf(piece, sizeof piece, "%02x,00,", static_cast<unsigned>(c));
        expandHex += piece;
        if (expandHex.size() > 60 && expandHex.find('\\') == std::string::npos) {
            expandHex += "\\\n  ";
        }
    }
    expandHex += "00,00";
    testsupport::TempDir dir;
    std::filesystem::path file = dir.Path() / "export.reg";
    testsupport::WriteFile(
        file, AsRegeditFile(
                  "Windows Registry Editor Version 5.00\n"
                  "\n"
                  "[HKEY_CURRENT_USER\\Identities]\n"
                  "\"Start As\"=\"{B4D5E1F2-0000-4000-8000-00AA00BB00CC}\"\n"
                  "\"Obsolete\"=-\n"
                  "@=\"Identit\xc3\xa4ten\"\n"
                  "\n"
                  "[-HKEY_CURRENT_USER\\Identities\\Stale]\n"
                  "\n"
                  "[HKEY_CURRENT_USER\\Identities\\{B4D5E1F2-0000-4000-8000-00AA00BB00CC}]\n"
                  "\"Username\"=\"Main Identity\"\n"
                  "\"Store\"=hex(2):" +
                  expandHex +
                  "\n"
                  "\"Folders\"=hex(7):49,00,6e,00,00,00,4f,00,75,00,74,00,00,00,00,00\n"
                  "\"Count\"=dword:00000005\n"
                  "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,\\\n"
                  "  14,15,16,17\n"
                  "\n"));
    std::string error;
    ASSERT_EQ(winpal::RegImportFile(file, &error), ERROR_SUCCESS) << error;

    EXPECT_EQ(Text(identities, "Start As"),
              std::string("{B4D5E1F2-0000-4000-8000-00AA00BB00CC}", 39));
    EXPECT_EQ(Text(identities, "Obsolete"), "<missing>");
    EXPECT_EQ(Text(identities, "Kept"), std::string("k", 2));
    EXPECT_EQ(Text(identities, nullptr), std::string("Identit\xe4ten", 12));
    EXPECT_EQ(SubkeyNames(identities),
              std::vector<std::string>{"{B4D5E1F2-0000-4000-8000-00AA00BB00CC}"});
    HKEY identity = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(identities, "{b4d5e1f2-0000-4000-8000-00aa00bb00cc}", 0, KEY_READ, &identity),
        ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(identity, "Store", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(bytes, std::string("%UserProfile%\\Mail", 19));
    ASSERT_EQ(QueryBytes(identity, "Folders", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("In\0Out\0\0", 8));
    ASSERT_EQ(QueryBytes(identity, "Count", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("\x05\0\0\0", 4));
    ASSERT_EQ(QueryBytes(identity, "Blob", &type, &bytes), ERROR_SUCCESS);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(bytes[23], '\x17');
    EXPECT_EQ(ValueNames(identity),
              (std::vector<std::string>{"Username", "Store", "Folders", "Count", "Blob"}));
    RegCloseKey(identity);
    RegCloseKey(identities);
}

TEST_F(RegistryImport, Regedit4FileHoldsAnsiText) {
    std::string error;
    ASSERT_EQ(winpal::RegImportText("REGEDIT4\r\n\r\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\Caf\xe9]\r\n"
                                    "\"Name\"=\"na\xefve\"\r\n"
                                    "\"Path\"=hex(2):25,41,25,5c,e9,00\r\n",
                                    &error),
              ERROR_SUCCESS)
        << error;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Caf\xe9", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(Text(key, "Name"), std::string("na\xefve", 6));
    EXPECT_EQ(Text(key, "Path"), std::string("%A%\\\xe9", 6));
    RegCloseKey(key);
    std::string file = testsupport::ReadFile(prefix_.Path() / "system.reg");
    EXPECT_NE(file.find("\"Path\"=hex(2):25,00,41,00,25,00,5c,00,e9,00,00,00"), std::string::npos)
        << "kept as UTF-16 and written as version 5 text:\n"
        << file;
}

TEST_F(RegistryImport, CommentsBlanksAndSpacingAreAccepted) {
    std::string error;
    ASSERT_EQ(winpal::RegImportText("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
                                    "; a comment\n"
                                    "\n"
                                    "  [HKEY_CURRENT_USER\\Spaced]  \n"
                                    "\"a\" = \"b\"\n"
                                    "\"n\"=DWORD:1\n"
                                    "\"h\"=HEX(b):01,02,03,04,05,06,07,08,\n",
                                    &error),
              ERROR_SUCCESS)
        << error;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Spaced", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Text(key, "a"), std::string("b", 2));
    EXPECT_EQ(Text(key, "n"), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(Text(key, "h"), "\x01\x02\x03\x04\x05\x06\x07\x08");
    RegCloseKey(key);
}

struct BadText {
    const char* text;
    const char* where;
    const char* reason;
};

TEST_F(RegistryImport, MalformedTextIsRefusedWithItsLineAndChangesNothing) {
    const BadText cases[] = {
        {"REGEDIT5\n", "(text):1:", "not a registry file"},
        {"Windows Registry Editor Version 5.00\n\n[HKEY_NOWHERE\\X]\n",
         "(text):3:", "unknown root key \"HKEY_NOWHERE\""},
        {"Windows Registry Editor Version 5.00\n\"v\"=\"x\"\n", "(text):2:", "outside a [key]"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\" \"x\"\n",
         "(text):3:", "expected \"=\""},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"open\n",
         "(text):3:", "closing quote"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:123456789\n",
         "(text):3:", "dword:"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,\\\n  02,zz\n",
         "(text):4:", "\"zz\" is not a hex byte"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,\\\n",
         "(text):3:", "past the end"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,,02\n",
         "(text):3:", "missing byte"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=str(2):x\n",
         "(text):3:", "unrecognised value data"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n", "(text):2:", "end with"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"\xff\"\n",
         "(text):3:", "not valid UTF-8"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\njunk\n",
         "(text):3:", "unexpected text"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n[HKEY_USERS\\S-1]\n",
         "(text):3:", "HKEY_USERS is read-only"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n[-HKEY_CURRENT_USER]\n",
         "(text):3:", "cannot be removed"},
    };
    for (const BadText& bad : cases) {
        std::string error;
        EXPECT_NE(winpal::RegImportText(bad.text, &error), ERROR_SUCCESS) << bad.text;
        EXPECT_EQ(error.rfind(bad.where, 0), 0u) << bad.text << "\n -> " << error;
        EXPECT_NE(error.find(bad.reason), std::string::npos) << bad.text << "\n -> " << error;
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(prefix_.Path() / "user.reg"));

    testsupport::TempDir dir;
    std::string error;
    std::filesystem::path file = dir.Path() / "odd.reg";
    testsupport::WriteFile(file, AsRegeditFile("Windows Registry Editor Version 5.00\n\n[x\n"));
    EXPECT_EQ(winpal::RegImportFile(file, &error), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(error.rfind(file.string() + ":3:", 0), 0u) << error;
    EXPECT_EQ(winpal::RegImportFile(dir.Path() / "absent.reg", &error), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(error.find("absent.reg"), std::string::npos) << error;
}

TEST_F(RegistryImport, ExportGivesTheKeyAndEverythingBelowIt) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Identities\\{1}\\Software");
    ASSERT_EQ(SetText(key, "Store Root", "%UserProfile%"), ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(CreateKey(HKEY_CURRENT_USER, "Other"));
    std::string text;
    ASSERT_EQ(winpal::RegExportKey("HKEY_CURRENT_USER\\identities", &text), ERROR_SUCCESS);
    EXPECT_EQ(text,
              "Windows Registry Editor Version 5.00\n"
              "\n[HKEY_CURRENT_USER\\Identities]\n"
              "\n[HKEY_CURRENT_USER\\Identities\\{1}]\n"
              "\n[HKEY_CURRENT_USER\\Identities\\{1}\\Software]\n"
              "\"Store Root\"=\"%UserProfile%\"\n");
    EXPECT_EQ(winpal::RegExportKey("HKEY_CURRENT_USER\\Missing", &text), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(winpal::RegExportKey("HKEY_NOWHERE", &text), ERROR_FILE_NOT_FOUND);

    RegCloseKey(CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{2}"));
    ASSERT_EQ(winpal::RegExportKey("HKEY_CLASSES_ROOT\\CLSID", &text), ERROR_SUCCESS);
    EXPECT_EQ(text,
              "Windows Registry Editor Version 5.00\n"
              "\n[HKEY_CLASSES_ROOT\\CLSID]\n"
              "\n[HKEY_CLASSES_ROOT\\CLSID\\{2}]\n");
    ASSERT_EQ(winpal::RegExportKey("HKEY_USERS", &text), ERROR_SUCCESS);
    EXPECT_EQ(text, "Windows Registry Editor Version 5.00\n\n[HKEY_USERS]\n");

    // The export imports into a fresh registry as the same keys.
    ASSERT_EQ(winpal::RegExportKey("HKEY_CURRENT_USER\\Identities", &text), ERROR_SUCCESS);
    testsupport::TempPrefix fresh;
    std::string error;
    ASSERT_EQ(winpal::RegImportText(text, &error), ERROR_SUCCESS) << error;
    std::string again;
    ASSERT_EQ(winpal::RegExportKey("HKEY_CURRENT_USER\\Identities", &again), ERROR_SUCCESS);
    EXPECT_EQ(again, text);
}

TEST_F(RegistryImport, ImportMarksHandlesOfRemovedKeysDeleted) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Going\\Gone");
    std::string error;
    ASSERT_EQ(
        winpal::RegImportText("Windows Registry Editor Version 5.00\n[-HKEY_CURRENT_USER\\Going]\n"
                              "[HKEY_CURRENT_USER\\Going\\Gone]\n",
                              &error),
        ERROR_SUCCESS)
        << error;
    EXPECT_EQ(SetText(key, "v", "x"), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

}  // namespace
