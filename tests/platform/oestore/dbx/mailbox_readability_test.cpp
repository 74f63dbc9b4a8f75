// Whether a file can be taken as a mailbox: sound mailboxes, damage that spares the mail,
// damage that does not, and files that are no mailbox at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dbx/folder_file.h"
#include "dbx/header.h"
#include "dbx/mailbox_readability.h"
#include "dbx_test_util.h"
#include "temp_prefix.h"

namespace {

namespace fs = std::filesystem;
using Verdict = dbx::MailboxReadability::Verdict;

void PatchDword(const fs::path& file, uint32_t offset, uint32_t value) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(offset);
    stream.write(reinterpret_cast<const char*>(&value), sizeof value);
}

TEST(MailboxReadability, JudgesEveryKindOfFile) {
    testsupport::TempDir dir;
    const fs::path sound = dir.Path() / "Sound.dbx";
    dbxtest::WriteMailbox(sound, 40);
    const std::string bytes = testsupport::ReadFile(sound);

    const fs::path damaged = dir.Path() / "Damaged.dbx";
    fs::copy_file(sound, damaged);
    PatchDword(damaged, dbx::hdr::kLastId, 3);  // the next message would reuse an id
    // Wrong free-space statistics lose nothing: files the mail client wrote may have them.
    const fs::path statistics = dir.Path() / "Statistics.dbx";
    fs::copy_file(sound, statistics);
    PatchDword(statistics, dbx::hdr::kFreeBytes, 12345);

    const fs::path cut = dir.Path() / "Cut.dbx";
    testsupport::WriteFile(cut, bytes.substr(0, bytes.size() * 2 / 3));
    const fs::path text = dir.Path() / "Notes.dbx";
    testsupport::WriteFile(text, "These are not mail.\n");
    const fs::path empty = dir.Path() / "Empty.dbx";
    testsupport::WriteFile(empty, "");
    const fs::path folders = dir.Path() / "Folders.dbx";
    dbx::FolderFile::Create(folders, dbx::StoreInfo{});

    struct Case {
        fs::path file;
        Verdict verdict;
        const char* reason;  // a part of the reason
    } cases[] = {
        {sound, Verdict::kSound, ""},
        {damaged, Verdict::kDamagedButReadable, "id counter"},
        {statistics, Verdict::kSound, ""},
        {cut, Verdict::kUnreadable, "outside the file"},
        {text, Verdict::kNotAMailbox, "header"},
        {empty, Verdict::kNotAMailbox, "0 bytes"},
        {folders, Verdict::kNotAMailbox, "folder table"},
        {dir.Path() / "Missing.dbx", Verdict::kUnreadable, "cannot open"},
    };
    for (const Case& c : cases) {
        dbx::MailboxReadability result = dbx::AssessMailbox(c.file);
        EXPECT_EQ(result.verdict, c.verdict) << c.file << ": " << result.reason;
        EXPECT_NE(result.reason.find(c.reason), std::string::npos)
            << c.file << ": " << result.reason;
        EXPECT_EQ(result.Importable(),
                  c.verdict == Verdict::kSound || c.verdict == Verdict::kDamagedButReadable);
    }
    EXPECT_EQ(dbx::AssessMailbox(sound).messages, 40u);
    EXPECT_EQ(dbx::AssessMailbox(damaged).messages, 40u);
    EXPECT_GT(dbx::AssessMailbox(damaged).findings, 0u);
}

}  // namespace
