// The dbxtool command, run as a program.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "bytes.h"
#include "dbx_test_util.h"
#include "temp_prefix.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs dbxtool with `arguments`, and `environment` ("NAME=value ...") set for it.
Result RunTool(const TempDir& dir, const std::string& arguments,
               const std::string& environment = "") {
    std::string out = (dir.Path() / "stdout").string(), err = (dir.Path() / "stderr").string();
    std::string command = "env " + environment + " " + std::string(DBXTOOL_PATH) + " " + arguments +
                          " > '" + out + "' 2> '" + err + "'";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
}

std::string Quote(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

TEST(Dbxtool, InfoListAndCatShowTheSample) {
    TempDir dir;
    Result info = RunTool(dir, "info " + Quote(dbxtest::Sample("Inbox.dbx")));
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("records:           1\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("folder name:       Inbox\n"), std::string::npos) << info.out;

    Result ls = RunTool(dir, "ls " + Quote(dbxtest::Sample("Inbox.dbx")));
    EXPECT_EQ(ls.status, 0);
    EXPECT_NE(ls.out.find("       2 RB-------- 2021-12-12 04:45:59 2021-12-12 04:45:59 Microsoft "
                          "Outlook Express Te "
                          "Welcome to Outlook Express 6\n"),
              std::string::npos)
        << ls.out;

    Result cat = RunTool(dir, "cat " + Quote(dbxtest::Sample("Inbox.dbx")) + " 2");
    EXPECT_EQ(cat.status, 0);
    EXPECT_EQ(cat.out, dbx::MessageFile::Open(dbxtest::Sample("Inbox.dbx")).ReadText(2));
    EXPECT_EQ(RunTool(dir, "cat " + Quote(dbxtest::Sample("Inbox.dbx")) + " 7").status, 2);
}

TEST(Dbxtool, FoldersPrintsTheStoreTree) {
    TempDir dir;
    Result tree = RunTool(dir, "folders " + Quote(dbxtest::SamplesDir()));
    EXPECT_EQ(tree.status, 0);
    EXPECT_NE(tree.out.find("  Local Folders  [id 1]\n    Deleted Items  [id 7]\n"),
              std::string::npos)
        << tree.out;
    EXPECT_NE(tree.out.find("    Inbox  [id 4, Inbox.dbx, 1 messages, 0 unread]\n"),
              std::string::npos)
        << tree.out;
    EXPECT_EQ(RunTool(dir, "folders " + Quote(dbxtest::Sample("Folders.dbx"))).out, tree.out);
    Result missing = RunTool(dir, "folders " + Quote(dir.Path() / "Folders.dbx"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find((dir.Path() / "Folders.dbx").string() + ": "), std::string::npos)
        << missing.err;
}

TEST(Dbxtool, ExtractWritesEveryMessage) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    std::vector<std::string> texts = dbxtest::WriteMailbox(path, 30);
    Result extract = RunTool(dir, "extract " + Quote(path) + " " + Quote(dir.Path() / "out"));
    EXPECT_EQ(extract.status, 0) << extract.err;
    EXPECT_NE(extract.out.find("30 message(s) written"), std::string::npos);
    for (uint32_t n = 0; n < 30; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%08u.eml", n + 2);
        EXPECT_EQ(ReadFile(dir.Path() / "out" / name), texts[n]);
    }
}

TEST(Dbxtool, PackMakesACleanMailboxOfTheMessagesAndNeverOverwrites) {
    TempDir dir;
    std::vector<std::string> texts = {"Subject: one\r\n\r\nfirst\r\n",
                                      "From: a@b\r\nSubject: two\r\n\r\nsecond\r\n"};
    std::string emls;
    for (size_t n = 0; n < texts.size(); ++n) {
        auto eml = dir.Path() / ("m" + std::to_string(n) + ".eml");
        testsupport::WriteFile(eml, texts[n]);
        emls += " " + Quote(eml);
    }
    auto mailbox = dir.Path() / "Packed.dbx";
    Result pack = RunTool(dir, "pack " + Quote(mailbox) + emls);
    ASSERT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(RunTool(dir, "check " + Quote(mailbox)).status, 0);
    EXPECT_EQ(RunTool(dir, "cat " + Quote(mailbox) + " 2").out, texts[0]);
    EXPECT_EQ(RunTool(dir, "cat " + Quote(mailbox) + " 3").out, texts[1]);

    std::string before = ReadFile(mailbox);
    Result again = RunTool(dir, "pack " + Quote(mailbox) + emls);
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(ReadFile(mailbox), before);
    EXPECT_EQ(RunTool(dir, "pack " + Quote(dir.Path() / "Other.dbx")).status, 2) << "no messages";
    EXPECT_EQ(RunTool(dir, "pack " + Quote(dir.Path() / "Bad.dbx") + " missing.eml").status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Bad.dbx"));
}

TEST(Dbxtool, CheckAndCompactReportThroughTheExitStatus) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    dbxtest::WriteMailbox(path, 60);
    EXPECT_EQ(RunTool(dir, "check " + Quote(path)).status, 0);

    // Break the root node's marker: check names the node and fails; ls and extract still work
    // and say the file is damaged.
    dbx::MessageFile file = dbx::MessageFile::Open(path);
    uint32_t root = file.header().root(0);
    std::string bytes = ReadFile(path);
    dbx::StoreU32(dbx::Bytes(bytes) + root, 0x1234);
    testsupport::WriteFile(path, bytes);
    Result check = RunTool(dir, "check " + Quote(path));
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find("tree node at " + dbx::Hex(root) +
                             ": marker 0x1234 does not match its address"),
              std::string::npos)
        << check.out;
    Result ls = RunTool(dir, "ls " + Quote(path));
    EXPECT_EQ(ls.status, 1);
    EXPECT_NE(ls.err.find("60 message(s) recovered by scanning"), std::string::npos) << ls.err;
    EXPECT_EQ(RunTool(dir, "compact " + Quote(path)).status, 2)
        << "a damaged index is not compacted away";

    auto fresh = dir.Path() / "Fresh.dbx";
    dbxtest::WriteMailbox(fresh, 10);
    dbx::MessageFile writable = dbx::MessageFile::Open(fresh, dbxtest::Writable());
    std::vector<uint32_t> ids{3, 4, 5};
    writable.Delete(ids);
    Result compact = RunTool(dir, "compact " + Quote(fresh));
    EXPECT_EQ(compact.status, 0) << compact.err;
    EXPECT_EQ(RunTool(dir, "check " + Quote(fresh)).status, 0);
    EXPECT_EQ(dbx::MessageFile::Open(fresh).header().Get(dbx::hdr::kFreeBytes), 0u);
}

TEST(Dbxtool, RefusesOtherTablesAndBadUsage) {
    TempDir dir;
    Result offline = RunTool(dir, "ls " + Quote(dbxtest::Sample("Offline.dbx")));
    EXPECT_EQ(offline.status, 2);
    EXPECT_NE(offline.err.find("offline operations table"), std::string::npos) << offline.err;
    EXPECT_EQ(RunTool(dir, "frobnicate x").status, 2);
    EXPECT_EQ(RunTool(dir, "cat onlyonearg").status, 2);
    EXPECT_EQ(RunTool(dir, "info " + Quote(dir.Path() / "missing.dbx")).status, 2);
    for (const char* command : {"info", "ls", "check", "compact"}) {
        Result folder = RunTool(dir, std::string(command) + " " + Quote(dir.Path()));
        EXPECT_EQ(folder.status, 2) << command;
        EXPECT_NE(folder.err.find(dir.Path().string() + " is a directory"), std::string::npos)
            << command << ": " << folder.err;
    }
}

// What files the mail client wrote look like is at most a note: the exit status stays 0.
TEST(Dbxtool, CheckNotesRealFileShapesWithoutFailing) {
    TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    dbxtest::WriteMailbox(path, 5);
    std::string bytes = ReadFile(path);
    uint32_t record = dbx::MessageFile::Open(path).Find(3)->record_address;
    for (uint32_t k = 0; k < static_cast<uint8_t>(bytes[record + 10]); ++k) {
        uint8_t* entry = dbx::Bytes(bytes) + record + 12 + 4 * k;
        if (entry[0] == (0x80 | dbx::msgcol::kSize))
            dbx::StoreU32(entry, ((dbx::LoadU32(entry) >> 8) - 0x1E) << 8 | entry[0]);
    }
    testsupport::WriteFile(path, bytes);
    Result check = RunTool(dir, "check " + Quote(path));
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("note: record at " + dbx::Hex(record) + ": SIZE column"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("0 finding(s), 1 note(s)"), std::string::npos) << check.out;

    // A store right after an import: the copied mailbox still names the folder it came from.
    auto store = dir.Path() / "store";
    std::filesystem::create_directories(store);
    dbx::FolderFile folders = dbx::FolderFile::Create(store / "Folders.dbx", {1, true});
    folders.CreateFolder(dbx::kLocalFoldersId, {"Imported", "Imported.dbx", 3, 0, 1, {}});
    dbxtest::CopyTo(dbxtest::Sample("Inbox.dbx"), store);
    std::filesystem::rename(store / "Inbox.dbx", store / "Imported.dbx");
    Result imported = RunTool(dir, "check " + Quote(store / "Folders.dbx"));
    EXPECT_EQ(imported.status, 0) << imported.out;
    for (const char* difference : {"the folder id is 2 here but 4", "the special kind is 0 here",
                                   "the message count is 0 here but 1"}) {
        EXPECT_NE(imported.out.find(difference), std::string::npos) << imported.out;
    }
}

// Folder names outside ASCII are stored in the Windows code page and named in UTF-8 on disk.
TEST(Dbxtool, FoldersAndCheckFindMailboxesWithNonAsciiNames) {
    TempDir dir;
    dbx::FolderFile folders = dbx::FolderFile::Create(dir.Path() / "Folders.dbx", {1, true});
    uint32_t id = folders.CreateFolder(dbx::kLocalFoldersId, {"\xC9"
                                                              "conomie",
                                                              "\xC9"
                                                              "conomie.dbx",
                                                              3,
                                                              0,
                                                              1,
                                                              {}});
    dbx::MessageFile::Create(dir.Path() / "\u00C9conomie.dbx", {id,
                                                                "\xC9"
                                                                "conomie",
                                                                3, "LocalStore", 0});
    Result tree = RunTool(dir, "folders " + Quote(dir.Path()));
    EXPECT_EQ(tree.status, 0);
    EXPECT_NE(tree.out.find("conomie.dbx]"), std::string::npos) << tree.out;
    EXPECT_EQ(tree.out.find("(missing)"), std::string::npos) << tree.out;
    Result check = RunTool(dir, "check " + Quote(dir.Path() / "Folders.dbx"));
    EXPECT_EQ(check.status, 0) << check.out;

    // With the code page set to UTF-8, as the store then names files, the same bytes are no name.
    Result inUtf8 = RunTool(dir, "folders " + Quote(dir.Path()), "WINPAL_ACP=65001");
    EXPECT_NE(inUtf8.out.find("(not a file name)"), std::string::npos) << inUtf8.out;
}

// Compaction replaces the file a link leads to, keeps its permissions and owner, and leaves a
// file with several names alone.
TEST(Dbxtool, CompactKeepsLinksModeAndOwner) {
    TempDir dir;
    auto real = dir.Path() / "real" / "Mail.dbx";
    std::filesystem::create_directories(real.parent_path());
    dbxtest::WriteMailbox(real, 20);
    {
        dbx::MessageFile file = dbx::MessageFile::Open(real, dbxtest::Writable());
        std::vector<uint32_t> ids{4, 5, 6};
        file.Delete(ids);
    }
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 4321, 8765), 0);
    }
    auto link = dir.Path() / "Link.dbx";
    std::filesystem::create_symlink(std::filesystem::path("real") / "Mail.dbx", link);

    Result compact = RunTool(dir, "compact " + Quote(link));
    ASSERT_EQ(compact.status, 0) << compact.err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(dbx::MessageFile::Open(real).header().Get(dbx::hdr::kFreeBytes), 0u);
    EXPECT_EQ(dbx::MessageFile::Open(real).count(), 17u);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 8765u);
    }
    EXPECT_FALSE(std::filesystem::exists(real.string() + ".new"));

    auto other = dir.Path() / "Other name.dbx";
    std::filesystem::create_hard_link(real, other);
    {
        dbx::MessageFile file = dbx::MessageFile::Open(real, dbxtest::Writable());
        std::vector<uint32_t> ids{8};
        file.Delete(ids);
    }
    const std::string before = ReadFile(real);
    Result refused = RunTool(dir, "compact " + Quote(real));
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("2 names (hard links)"), std::string::npos) << refused.err;
    EXPECT_TRUE(ReadFile(real) == before);
    EXPECT_TRUE(std::filesystem::equivalent(real, other));
}

}  // namespace
