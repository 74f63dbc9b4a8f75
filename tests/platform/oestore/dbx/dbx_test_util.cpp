#include "dbx_test_util.h"

#include "temp_prefix.h"

namespace dbxtest {

std::filesystem::path SamplesDir() {
    for (std::filesystem::path dir : {std::filesystem::path(DBX_SOURCE_DIR) / "../shared/samples",
                                      std::filesystem::path("/work/shared/samples")}) {
        if (std::filesystem::exists(dir / "Inbox.dbx"))
            return dir;
    }
    return {};
}

std::filesystem::path Sample(const std::string& name) {
    return SamplesDir() / name;
}

std::string MakeMessage(uint32_t n, size_t body_bytes) {
    std::string text = "From: \"Sender " + std::to_string(n) + "\" <sender" + std::to_string(n) +
                       "@example.com>\r\n"
                       "To: Receiver <receiver@example.org>\r\n"
                       "Subject: Re: message number " +
                       std::to_string(n) +
                       "\r\n"
                       "Date: Mon, 5 Jul 2004 09:03:07 +0200\r\n"
                       "Message-ID: <" +
                       std::to_string(n) + "@example.com>\r\n\r\n";
    std::string line = "Line of message " + std::to_string(n) + " with some text.\r\n";
    while (text.size() < body_bytes)
        text += line;
    return text;
}

std::filesystem::path CopyTo(const std::filesystem::path& file, const std::filesystem::path& dir) {
    std::filesystem::path copy = dir / file.filename();
    testsupport::WriteFile(copy, testsupport::ReadFile(file));
    return copy;
}

std::vector<MessageSnapshot> SnapshotMessages(dbx::MessageFile& file) {
    std::vector<MessageSnapshot> snapshot;
    dbx::MessageCursor cursor = file.Messages(false);
    dbx::MessageInfo info;
    dbx::Record record;
    while (cursor.Next(info, record)) {
        record.Erase(dbx::msgcol::kStream);
        record.version = 0;
        record.length_field = 0;
        snapshot.push_back({record, file.ReadText(info)});
    }
    EXPECT_TRUE(cursor.issues().empty()) << cursor.issues().issues.front().ToString();
    return snapshot;
}

std::vector<dbx::Record> SnapshotFolders(dbx::FolderFile& file) {
    std::vector<dbx::Record> snapshot;
    for (const dbx::FolderInfo& folder : file.List()) {
        dbx::Record record = file.ReadRecord(folder.id);
        record.version = 0;
        record.length_field = 0;
        snapshot.push_back(record);
    }
    return snapshot;
}

dbx::OpenOptions Writable(dbx::FileSystem* fs) {
    dbx::OpenOptions options;
    options.writable = true;
    options.fs = fs;
    return options;
}

}  // namespace dbxtest
