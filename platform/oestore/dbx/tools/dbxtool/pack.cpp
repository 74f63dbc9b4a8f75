// dbxtool pack: a new mailbox file holding the given messages (.eml files), in order.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "commands.h"
#include "dbx/error.h"
#include "dbx/message_file.h"

namespace dbxtool {

int Pack(const Args& args) {
    std::filesystem::path mailbox = args[0];
    if (std::filesystem::exists(mailbox)) {
        throw dbx::Error(dbx::ErrorCode::kInvalidArgument,
                         mailbox.string() + " exists already; pack makes new files only");
    }
    dbx::MessageFileInfo info;
    info.folder_name = mailbox.stem().string();
    dbx::MailboxWriter writer(mailbox, info);
    for (auto message = args.begin() + 1; message != args.end(); ++message) {
        std::ifstream in(*message, std::ios::binary);
        if (!in)
            throw dbx::Error(dbx::ErrorCode::kIo, "cannot read " + *message);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        writer.Add(text);
    }
    writer.Finish();
    std::printf("%s: %zu messages\n", mailbox.string().c_str(), args.size() - 1);
    return 0;
}

}  // namespace dbxtool
