#include "dbx_test_util.h"

#include <algorithm>
#include <cstdlib>

#include "dbx/check.h"
#include "temp_prefix.h"

namespace dbxtest {

std::filesystem::path SamplesDir() {
    return std::filesystem::path(DBX_SOURCE_DIR) / "tests" / "data" / "dbx";
}

std::filesystem::path Sample(const std::string& name) {
    std::filesystem::path path = SamplesDir() / name;
    if (!std::filesystem::is_regular_file(path))
        ADD_FAILURE() << "the sample " << path << " is missing (the project keeps it there)";
    return path;
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

std::optional<std::vector<std::string>> ExtractWithUndbx(const std::filesystem::path& file,
                                                         const std::filesystem::path& work_dir) {
    if (std::system("command -v undbx > /dev/null 2>&1") != 0)
        return std::nullopt;
    std::filesystem::path out = work_dir / "undbx-out";
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    std::string command =
        "undbx -v 0 '" + file.string() + "' '" + out.string() + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
        if (entry.is_regular_file() && entry.path().extension() == ".eml") {
            texts.push_back(testsupport::ReadFile(entry.path()));
        }
    }
    std::sort(texts.begin(), texts.end());
    std::filesystem::remove_all(out);
    return texts;
}

std::string CheckFindings(dbx::Database& db) {
    std::string lines;
    for (const dbx::Issue& issue : dbx::CheckDatabase(db).findings.issues)
        lines += issue.ToString() + "\n";
    return lines;
}

std::string CheckFindings(const std::filesystem::path& file) {
    return CheckFindings(*dbx::Database::Open(file));
}

std::vector<std::string> WriteMailbox(const std::filesystem::path& path, uint32_t count,
                                      size_t body_bytes) {
    dbx::MailboxWriter writer(path, {9, "Generated", 3, "LocalStore", 0});
    std::vector<std::string> texts;
    for (uint32_t n = 0; n < count; ++n) {
        texts.push_back(MakeMessage(n, body_bytes + (n * 37) % 900));
        writer.Add(texts.back(),
                   dbx::NewMessageOptions{n % 3 ? dbx::msgflag::kRead : 0u, 0x01D0000000000000ull});
    }
    writer.Finish();
    return texts;
}

}  // namespace dbxtest

namespace dbx {

void PrintTo(const Column& column, std::ostream* out) {
    *out << Hex(column.id);
    if (column.direct) {
        *out << "=" << column.value;
        return;
    }
    *out << ":'";
    for (unsigned char c : column.data) {
        if (c >= 0x20 && c < 0x7F) {
            *out << c;
        } else {
            *out << "\\x" << Hex(c).substr(2);
        }
    }
    *out << "'";
}

void PrintTo(const MessageFileInfo& info, std::ostream* out) {
    *out << "{folder " << info.folder_id << " '" << info.folder_name << "', type "
         << static_cast<int>(info.folder_type) << ", account '" << info.account_id << "', special "
         << info.special << "}";
}

}  // namespace dbx
