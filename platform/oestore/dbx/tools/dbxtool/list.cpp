// dbxtool ls and folders: message lists, folder lists and the folder tree of a store.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "commands.h"
#include "dbx/file_names.h"
#include "dbx/filetime.h"
#include "dbx/folder_file.h"
#include "dbx/message_file.h"

namespace dbxtool {

namespace {

int ListFolders(dbx::FolderFile& file) {
    dbx::IssueList issues;
    std::printf("%8s %8s %10s %8s %8s  %s\n", "id", "parent", "flags", "messages", "unread",
                "name (file)");
    for (const dbx::FolderInfo& f : file.List(&issues)) {
        std::printf("%8u %8d 0x%08X %8u %8u  %s", f.id, static_cast<int>(f.parent), f.flags,
                    f.messages, f.unread, f.name.c_str());
        if (!f.file.empty())
            std::printf(" (%s)", f.file.c_str());
        std::printf("\n");
    }
    for (const dbx::Issue& issue : issues.issues)
        std::fprintf(stderr, "skipped: %s\n", issue.ToString().c_str());
    return issues.empty() ? 0 : 1;
}

void PrintTree(const std::multimap<uint32_t, const dbx::FolderInfo*>& children, uint32_t parent,
               int depth, const std::filesystem::path& dir) {
    if (depth > 64)
        return;
    auto [begin, end] = children.equal_range(parent);
    for (auto it = begin; it != end; ++it) {
        const dbx::FolderInfo& f = *it->second;
        std::printf("%*s%s  [id %u", 2 * depth, "", f.name.c_str(), f.id);
        if (!f.file.empty()) {
            std::optional<std::filesystem::path> path =
                dbx::StoreFilePath(dir, f.file, StoreCodePage());
            std::printf(", %s%s", f.file.c_str(),
                        !path                            ? " (not a file name)"
                        : std::filesystem::exists(*path) ? ""
                                                         : " (missing)");
        }
        if (f.messages || f.unread)
            std::printf(", %u messages, %u unread", f.messages, f.unread);
        std::printf("]\n");
        if (f.id != parent)
            PrintTree(children, f.id, depth + 1, dir);
    }
}

}  // namespace

unsigned StoreCodePage() {
    const char* text = std::getenv("WINPAL_ACP");
    if (!text || !*text)
        return 1252;
    // The code pages the platform layer knows; it takes any other for Windows-1252 too.
    const std::string code_page = text;
    return code_page == "65001" ? 65001 : code_page == "28591" ? 28591 : 1252;
}

std::string FlagLetters(unsigned flags) {
    struct Bit {
        unsigned bit;
        char letter;
    };
    static const Bit bits[] = {{0x80, 'R'},     {0x01, 'B'},    {0x20, 'F'},     {0x08, 'U'},
                               {0x4000, 'A'},   {0x80000, 'r'}, {0x100000, 'f'}, {0x400000, 'W'},
                               {0x800000, 'I'}, {0x1000, 'S'}};
    std::string letters;
    for (const Bit& b : bits)
        letters += (flags & b.bit) ? b.letter : '-';
    return letters;
}

int List(const Args& args) {
    auto db = dbx::Database::Open(args[0]);
    if (db->kind() == dbx::TableKind::kFolders) {
        dbx::FolderFile folders = dbx::FolderFile::Open(args[0]);
        return ListFolders(folders);
    }
    dbx::MessageFile file = dbx::MessageFile::Open(args[0]);
    dbx::MessageCursor cursor = file.Messages();
    dbx::MessageInfo m;
    std::printf("%8s %-10s %-19s %-19s %-28s %s\n", "id", "flags", "sent (UTC)", "received (UTC)",
                "from", "subject");
    while (cursor.Next(m)) {
        const std::string& from = m.display_from.empty() ? m.email_from : m.display_from;
        std::printf("%8u %s %-19s %-19s %-28.28s %s\n", m.id, FlagLetters(m.flags).c_str(),
                    dbx::FormatFileTime(m.sent).c_str(), dbx::FormatFileTime(m.received).c_str(),
                    from.c_str(), m.subject.c_str());
    }
    for (const dbx::Issue& issue : cursor.issues().issues)
        std::fprintf(stderr, "problem: %s\n", issue.ToString().c_str());
    if (cursor.skipped() || cursor.salvaged()) {
        std::fprintf(stderr,
                     "damaged file: %llu part(s) skipped, %llu message(s) recovered by scanning\n",
                     static_cast<unsigned long long>(cursor.skipped()),
                     static_cast<unsigned long long>(cursor.salvaged()));
        return 1;
    }
    return 0;
}

int Folders(const Args& args) {
    // The store folder, or its Folders.dbx (anything but a folder, so that a wrong file name is
    // reported as given).
    std::filesystem::path dir = args[0];
    std::filesystem::path path = dir / "Folders.dbx";
    if (!std::filesystem::is_directory(dir)) {
        path = dir;
        dir = dir.parent_path();
    }
    dbx::FolderFile file = dbx::FolderFile::Open(path);
    dbx::IssueList issues;
    std::vector<dbx::FolderInfo> all = file.List(&issues, dbx::FolderFile::Order::kByParentAndName);
    std::multimap<uint32_t, const dbx::FolderInfo*> children;
    for (const dbx::FolderInfo& f : all) {
        if (f.id != dbx::kRootFolderId)
            children.emplace(f.parent, &f);
    }
    std::printf("Outlook Express  [id 0]\n");
    PrintTree(children, dbx::kRootFolderId, 1, dir);
    for (const dbx::Issue& issue : issues.issues)
        std::fprintf(stderr, "skipped: %s\n", issue.ToString().c_str());
    return issues.empty() ? 0 : 1;
}

}  // namespace dbxtool
