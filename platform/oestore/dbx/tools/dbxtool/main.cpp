// dbxtool: inspects, checks, extracts and compacts Outlook Express .dbx files.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "commands.h"
#include "program_version.h"

namespace {

const char* const kUsage =
    "usage: dbxtool COMMAND ARGUMENTS\n"
    "       dbxtool --version\n"
    "  info FILE          header, counts and folder settings of a .dbx file\n"
    "  ls FILE            messages (id, flags, dates, sender, subject) or folders\n"
    "  cat FILE ID        the raw message with that id\n"
    "  extract FILE DIR   every message as DIR/<id>.eml\n"
    "  check FILE         consistency check; exit status 1 on any finding\n"
    "  compact FILE       rewrite the file without free space\n"
    "  folders STORE_DIR  the folder tree of a store (its folder or its Folders.dbx) with the\n"
    "                     mailbox files\n"
    "  pack FILE EML...   a new mailbox file holding the messages of the .eml files, in order\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts(program_version::kLine);
        return 0;
    }
    std::string command = argv[1];
    dbxtool::Args args(argv + 2, argv + argc);
    struct Entry {
        const char* name;
        size_t arguments;  // the least number; more are allowed when `variadic`
        int (*run)(const dbxtool::Args&);
        bool variadic = false;
        bool reads_file = true;  // the first argument is a .dbx file to read
    };
    const Entry commands[] = {{"info", 1, dbxtool::Info},
                              {"ls", 1, dbxtool::List},
                              {"cat", 2, dbxtool::Cat},
                              {"extract", 2, dbxtool::Extract},
                              {"check", 1, dbxtool::Check},
                              {"compact", 1, dbxtool::Compact},
                              {"folders", 1, dbxtool::Folders, false, false},
                              {"pack", 2, dbxtool::Pack, true, false}};
    for (const Entry& entry : commands) {
        if (command != entry.name)
            continue;
        if (args.size() < entry.arguments || (!entry.variadic && args.size() != entry.arguments)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        std::error_code error;
        if (entry.reads_file && std::filesystem::is_directory(args[0], error)) {
            std::fprintf(stderr, "dbxtool %s: %s is a directory, not a .dbx file\n", entry.name,
                         args[0].c_str());
            return 2;
        }
        try {
            return entry.run(args);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "dbxtool %s: %s\n", entry.name, error.what());
            return 2;
        }
    }
    std::fprintf(stderr, "dbxtool: unknown command \"%s\"\n%s", command.c_str(), kUsage);
    return 2;
}
