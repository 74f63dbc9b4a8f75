// Writes seed files for the .dbx reader fuzzer into the folder given as the argument: a mailbox
// with a multi-level index, watched messages and freed space, and a Folders.dbx with nested
// folders. Kept small so the fuzzer mutates them quickly.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dbx/folder_file.h"
#include "dbx/message_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dbx_fuzz_seeds DIR\n");
        return 2;
    }
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
