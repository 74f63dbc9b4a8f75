// Writes seed files for the .dbx fuzzers into the folders given as the arguments: for the reader
// a mailbox with a multi-level index, watched messages and freed space, and a Folders.dbx with
// nested folders; journals for the journal fuzzer (their "before" bytes are the zeros of its
// mailbox); count caches for the folder-count fuzzer. Kept small so the fuzzer mutates them
// quickly.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbx/folder_counts.h"
#include "dbx/folder_file.h"
#include "dbx/message_file.h"
#include "journal.h"

namespace {

void Write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteSideFileSeeds(const std::filesystem::path& journals,
                        const std::filesystem::path& counts) {
    std::filesystem::create_directories(journals);
    std::filesystem::create_directories(counts);
    const std::string zeros(0x40, '\0');
    dbx::Journal journal{
        {1, 1}, 1 << 16, {{0x5C, zeros.substr(0, 4), std::string("\x07\0\0\0", 4)}}};
    Write(journals / "one-entry.journal", dbx::EncodeJournal(journal));
    journal.entries.push_back({0x1F8, zeros.substr(0, 16), std::string(16, '\xAB')});
    journal.target_size = 1 << 17;
    Write(journals / "crossing-sectors.journal", dbx::EncodeJournal(journal));
    journal.target = {1, 2};
    Write(journals / "another-file.journal", dbx::EncodeJournal(journal));

    Write(counts / "empty.counts", dbx::EncodeFolderCounts({}));
    Write(counts / "two.counts",
          dbx::EncodeFolderCounts({{4, {{2049, 77}, 0x12AD4, 1700000000123456789, 0x1234}, 3, 1},
                                   {12, {{2049, 78}, 0x2AD4, 1, 0}, 0, 0}}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: dbx_fuzz_seeds DBX_DIR JOURNAL_DIR COUNTS_DIR\n");
        return 2;
    }
    WriteSideFileSeeds(argv[2], argv[3]);
    std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    try {
        std::filesystem::path mailbox = dir / "seed-mailbox.dbx";
        std::filesystem::remove(mailbox);
        dbx::MailboxWriter writer(mailbox, {9, "Seed", 3, "LocalStore", 0});
        for (uint32_t n = 0; n < 60; ++n) {
            std::string text = "From: Sender " + std::to_string(n) + " <s" + std::to_string(n) +
                               "@example.com>\r\nTo: r@example.org\r\nSubject: Re: seed " +
                               std::to_string(n) + "\r\nMessage-ID: <" + std::to_string(n) +
                               "@seed>\r\n\r\n" + std::string(40 + 300 * (n % 3), 'x') + "\r\n";
            writer.Add(text, dbx::NewMessageOptions{n % 5 == 0 ? dbx::msgflag::kWatch : 0u,
                                                    0x01D0000000000000ull});
        }
        writer.Finish();
        dbx::OpenOptions writable;
        writable.writable = true;
        dbx::MessageFile file = dbx::MessageFile::Open(mailbox, writable);
        std::vector<uint32_t> doomed{5, 6, 30};
        file.Delete(doomed);

        std::filesystem::path folders_path = dir / "seed-folders.dbx";
        std::filesystem::remove(folders_path);
        dbx::FolderFile folders =
            dbx::FolderFile::Create(folders_path, {0x01D0000000000000ull, true});
        uint32_t inbox =
            folders.CreateFolder(dbx::kLocalFoldersId, {"Inbox", "Inbox.dbx", 3, 1, 1, {}});
        uint32_t archive =
            folders.CreateFolder(dbx::kLocalFoldersId, {"Archive", "Archive.dbx", 3, 0, 1, {}});
        folders.CreateFolder(archive, {"2004", "2004.dbx", 3, 0, 0, {}});
        folders.SetCounts(inbox, 3, 1);
        folders.Rename(archive, "Old");
    } catch (const dbx::Error& error) {
        std::fprintf(stderr, "dbx_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
