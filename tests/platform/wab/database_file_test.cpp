// The address-book file: where it is, what is refused (and left exactly as it was), and two
// processes writing at once.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <winpal/registry.h>

#include "scoped_env.h"
#include "wab_test_util.h"

namespace wabtest {
namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class DatabaseFile : public ::testing::Test {
  protected:
    testsupport::TempPrefix prefix_;
};

std::string MakeSqlite(const std::filesystem::path& file, const char* sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return ReadFile(file);
}

TEST_F(DatabaseFile, FilesThatAreNotOurAddressBookAreRefusedAndLeftAsTheyWere) {
    const std::filesystem::path dir = prefix_.Path();
    struct Case {
        const char* name;
        std::string bytes;
        HRESULT expected;
    };
    std::string ours = [&] {
        Book book;
        EXPECT_EQ(OpenFile(dir / "ours.sqlite", &book), S_OK);
        book = {};
        return ReadFile(dir / "ours.sqlite");
    }();
    std::string damaged = ours;
    damaged.replace(0, 16, "SQLite format 2\0", 16);  // a broken header
    std::string truncatedPage = ours.substr(0, 50);
    const std::vector<Case> cases = {
        {"text.sqlite", "BEGIN:VCARD\r\nthis is no database\r\n", MAPI_E_CORRUPT_DATA},
        {"damaged.sqlite", damaged, MAPI_E_CORRUPT_DATA},
        {"truncated.sqlite", truncatedPage, MAPI_E_CORRUPT_DATA},
        {"foreign.sqlite",
         MakeSqlite(dir / "foreign-src.sqlite",
                    "CREATE TABLE entries (x); INSERT INTO entries VALUES (1)"),
         MAPI_E_CORRUPT_DATA},
        {"newer.sqlite",
         MakeSqlite(
             dir / "newer-src.sqlite",
             "PRAGMA application_id = 1463894577; PRAGMA user_version = 99; CREATE TABLE t (x)"),
         MAPI_E_VERSION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / c.name, c.bytes);
        Book book;
        EXPECT_EQ(OpenFile(dir / c.name, &book), c.expected);
        EXPECT_FALSE(book.book);
        EXPECT_FALSE(book.wab);
        EXPECT_EQ(ReadFile(dir / c.name), c.bytes);
        EXPECT_FALSE(std::filesystem::exists(dir / (std::string(c.name) + "-journal")));
    }
}

TEST_F(DatabaseFile, TheFileIsMarkedAsOursWithItsSchemaVersion) {
    Book book;
    ASSERT_EQ(OpenFile(prefix_.Path() / "book.sqlite", &book), S_OK);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((prefix_.Path() / "book.sqlite").c_str(), &db, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
    auto number = [db](const char* sql) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        sqlite3_step(s);
        const auto value = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        return value;
    };
    EXPECT_EQ(number("PRAGMA application_id"), 0x57414231);
    EXPECT_EQ(number("PRAGMA user_version"), 1);
    EXPECT_EQ(number("SELECT count(*) FROM sqlite_master WHERE name IN ('entries', 'properties')"),
              2);
    sqlite3_close(db);
}

TEST_F(DatabaseFile, TheFileComesFromTheParameterTheRegistryOrTheDefault) {
    testsupport::ScopedEnv env;
    env.Clear("APPDATA");
    env.Clear("USERPROFILE");
    Book book;
    // No parameter and no registry value: the default in the profile, made on first open.
    ASSERT_EQ(WABOpen(book.book.Put(), book.wab.Put(), nullptr, 0), S_OK);
    EXPECT_TRUE(std::filesystem::exists(winpal::ProfilePath() / "Application Data" / "Microsoft" /
                                        "Address Book" / "Address Book.sqlite"));
    // The registry names another file.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\WAB\\WAB4", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string named = "%USERPROFILE%\\Named\\contacts.db";
    ASSERT_EQ(RegSetValueExA(key, "Wab File Name", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(named.c_str()),
                             static_cast<DWORD>(named.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    WAB_PARAM empty{};
    empty.cbSize = sizeof empty;
    empty.szFileName = const_cast<LPSTR>("");
    ASSERT_EQ(WABOpen(book.book.Put(), book.wab.Put(), &empty, 0), S_OK);
    EXPECT_TRUE(std::filesystem::exists(winpal::ProfilePath() / "Named" / "contacts.db"));
    // A file name in the parameter wins; it is ANSI text.
    const std::string direct = winpal::AnsiFromPath(prefix_.Path()) + "/Caf\xE9.sqlite";
    WAB_PARAM param{};
    param.cbSize = sizeof param;
    param.szFileName = const_cast<LPSTR>(direct.c_str());
    ASSERT_EQ(WABOpen(book.book.Put(), book.wab.Put(), &param, 0), S_OK);
    EXPECT_TRUE(std::filesystem::exists(prefix_.Path() / "Caf\xC3\xA9.sqlite"));
}

// Two processes add contacts at the same time; every contact is stored.
TEST_F(DatabaseFile, TwoProcessesAddingAtOnceLoseNothing) {
    const std::filesystem::path file = prefix_.Path() / "shared.sqlite";
    constexpr int kPerProcess = 150;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            Book book;
            if (OpenFile(file, &book) != S_OK)
                _exit(3);
            ULONG cb = 0;
            LPENTRYID pab = nullptr;
            book.book->GetPAB(&cb, &pab);
            ComPtr<IABContainer> container;
            ULONG type = 0;
            book.book->OpenEntry(cb, pab, nullptr, 0, &type,
                                 reinterpret_cast<LPUNKNOWN*>(container.Put()));
            book.wab->FreeBuffer(pab);
            SizedSPropTagArray(1, tags) = {1, {PR_DEF_CREATE_MAILUSER}};
            ULONG count = 0;
            LPSPropValue tpl = nullptr;
            container->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &tpl);
            int failures = 0;
            for (int i = 0; i < kPerProcess; ++i) {
                ComPtr<IMAPIProp> user;
                container->CreateEntry(tpl[0].Value.bin.cb,
                                       reinterpret_cast<LPENTRYID>(tpl[0].Value.bin.lpb), 0,
                                       user.Put());
                const std::string name = "P" + std::to_string(child) + "-" + std::to_string(i);
                SPropValue value = Narrow(PR_DISPLAY_NAME, name.c_str());
                user->SetProps(1, &value, nullptr);
                failures += user->SaveChanges(0) == S_OK ? 0 : 1;
            }
            book.wab->FreeBuffer(tpl);
            _exit(failures == 0 ? 0 : 4);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    Book book;
    ASSERT_EQ(OpenFile(file, &book), S_OK);
    ULONG cb = 0;
    LPENTRYID pab = nullptr;
    ASSERT_EQ(book.book->GetPAB(&cb, &pab), S_OK);
    ComPtr<IABContainer> container;
    ULONG type = 0;
    ASSERT_EQ(book.book->OpenEntry(cb, pab, nullptr, 0, &type,
                                   reinterpret_cast<LPUNKNOWN*>(container.Put())),
              S_OK);
    book.wab->FreeBuffer(pab);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(container->GetContentsTable(0, table.Put()), S_OK);
    ULONG rows = 0;
    ASSERT_EQ(table->GetRowCount(0, &rows), S_OK);
    EXPECT_EQ(rows, 2u * kPerProcess);
}

}  // namespace
}  // namespace wabtest
