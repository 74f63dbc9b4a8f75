#include "dbx/mailbox_readability.h"

#include "dbx/check.h"
#include "dbx/message_file.h"

namespace dbx {

namespace {

using Verdict = MailboxReadability::Verdict;

std::string FirstIssue(const IssueList& issues) {
    return issues.empty() ? std::string() : issues.issues.front().ToString();
}

// Reads every message the index lists, text included; the first problem, or empty text.
std::string FirstUnreadableMessage(MessageFile& file, uint64_t& messages) {
    MessageCursor cursor = file.Messages(false);
    MessageInfo info;
    while (cursor.Next(info)) {
        ++messages;
        try {
            file.ReadText(info);
        } catch (const Error& error) {
            return "message " + std::to_string(info.id) + ": " + error.what();
        }
    }
    if (cursor.skipped() > 0) {
        std::string first = FirstIssue(cursor.issues());
        return std::to_string(cursor.skipped()) +
               " message record(s) or index part(s) cannot be read" +
               (first.empty() ? std::string() : " (" + first + ")");
    }
    return {};
}

}  // namespace

MailboxReadability AssessMailbox(const std::filesystem::path& path, FileSystem* fs) {
    MailboxReadability result;
    OpenOptions options;
    options.fs = fs;
    try {
        std::unique_ptr<Database> db = Database::Open(path, options);
        if (db->kind() != TableKind::kMessages) {
            result.verdict = Verdict::kNotAMailbox;
            result.reason = "it holds the " + DescribeTableKind(db->kind()) + ", not a mailbox";
            return result;
        }
        CheckReport report = CheckDatabase(*db);
        result.findings = report.findings.issues.size();
        MessageFile file = MessageFile::Open(path, options);
        std::string unreadable = FirstUnreadableMessage(file, result.messages);
        if (!unreadable.empty()) {
            result.verdict = Verdict::kUnreadable;
            result.reason = unreadable;
        } else if (!report.clean()) {
            result.verdict = Verdict::kDamagedButReadable;
            result.reason = FirstIssue(report.findings);
        }
    } catch (const Error& error) {
        result.verdict =
            error.code() == ErrorCode::kIo ? Verdict::kUnreadable : Verdict::kNotAMailbox;
        result.reason = error.what();
    }
    return result;
}

}  // namespace dbx
