// A mailbox file (one folder's messages): listing, reading message text, and crash-safe changes
// (append, delete, flags, compact). Strings are kept as the bytes the file holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/database.h"
#include "dbx/file_builder.h"
#include "dbx/index_cursor.h"
#include "dbx/mail_headers.h"
#include "dbx/stream_chain.h"
#include "dbx/user_data.h"

namespace dbx {

// What a message list shows of one message, from its record.
struct MessageInfo {
    uint32_t id = 0;
    uint32_t flags = 0;
    uint32_t size = 0;  // the SIZE column (the record's idea of the text length)
    uint64_t sent = 0;  // FILETIME, UTC
    uint64_t received = 0;
    uint64_t downloaded = 0;  // when it was stored in this folder
    uint32_t priority = 0;
    std::string subject;
    std::string normalized_subject;
    std::string display_from;
    std::string email_from;
    std::string display_to;
    std::string email_to;
    std::string message_id;
    uint32_t stream = 0;  // first text block; 0 when the body was never downloaded
    uint32_t record_address = 0;

    static MessageInfo FromRecord(const Record& record, uint32_t address);
};

// Walks the messages in id order. A damaged index is walked around; with salvage on, the file
// is then scanned for message records the damaged part hid. Records that cannot be read are
// skipped and counted.
class MessageCursor {
  public:
    MessageCursor(Database& db, bool salvage);
    bool Next(MessageInfo& info);
    // Like Next, also handing out the full record.
    bool Next(MessageInfo& info, Record& record);

    const IssueList& issues() const { return *issues_; }
    uint64_t skipped() const { return skipped_; }    // records or index parts not readable
    uint64_t salvaged() const { return salvaged_; }  // records found by the scan

  private:
    Database& db_;
    bool salvage_;
    std::unique_ptr<IssueList> issues_;
    IndexCursor index_;
    std::vector<uint32_t> listed_ids_;
    std::vector<uint32_t> found_;  // scan results not listed by the index
    size_t found_pos_ = 0;
    bool scanned_ = false;
    uint64_t skipped_ = 0;
    uint64_t salvaged_ = 0;
};

class MessageFile {
  public:
    static MessageFile Open(const std::filesystem::path& path, const OpenOptions& options = {});
    // Creates an empty mailbox file; fails with kInvalidArgument when the path exists.
    static MessageFile Create(const std::filesystem::path& path, const MessageFileInfo& info,
                              FileSystem* fs = nullptr);

    Database& database() { return *db_; }
    const FileHeader& header() const { return db_->header(); }
    uint32_t count() const { return db_->header().record_count(0); }
    MessageFileInfo info() const { return DecodeMessageUserData(db_->user_data()); }

    MessageCursor Messages(bool salvage = true) { return MessageCursor(*db_, salvage); }
    std::vector<MessageInfo> List(IssueList* issues = nullptr);
    // A message by id; still found in a file whose index is damaged on the way to it.
    std::optional<MessageInfo> Find(uint32_t id);
    // The full record of a message (every column, known or not); throws kNotFound.
    Record ReadRecord(uint32_t id);

    // The raw message text. With `issues`, a damaged chain yields its readable part and an
    // issue; without, it throws kCorrupt. A message without a body has an empty text.
    std::string ReadText(const MessageInfo& message, IssueList* issues = nullptr);
    std::string ReadText(uint32_t id);
    // Reads the text in pieces (valid until the file changes).
    StreamReader OpenText(const MessageInfo& message) {
        return StreamReader(db_->reader(), message.stream);
    }

    // Stores a message and returns its new id (the header's counter + 1). `columns` gives the
    // record's columns (see MessageRecordFromText); the id, text address, size and the has-body
    // flag are set here.
    uint32_t Append(std::string_view text, Record columns);
    uint32_t Append(std::string_view text, const NewMessageOptions& options = {});
    // Removes messages; throws kNotFound (changing nothing) when an id is not in the file.
    void Delete(std::span<const uint32_t> ids);
    // Sets and clears flag bits (the has-body bit is left alone); returns how many messages
    // changed. Throws kNotFound (changing nothing) when an id is not in the file.
    size_t SetFlags(std::span<const uint32_t> ids, uint32_t set, uint32_t clear);
    // Rewrites the file without free space, records in id order, chains contiguous.
    void Compact();

  private:
    explicit MessageFile(std::unique_ptr<Database> db) : db_(std::move(db)) {}
    // The address and record of a message, found through the index or, when the index is
    // damaged, by walking every readable message.
    std::optional<std::pair<uint32_t, Record>> Locate(uint32_t id);
    std::unique_ptr<Database> db_;
};

// Writes a new mailbox file with many messages in one pass (much faster than appending one by
// one): ids count up from 2, and each message gets its id, text, size and has-body flag as
// Append gives them. Nothing appears under `path` until Finish.
class MailboxWriter {
  public:
    MailboxWriter(const std::filesystem::path& path, const MessageFileInfo& info,
                  FileSystem* fs = nullptr);
    uint32_t Add(std::string_view text, Record columns);
    uint32_t Add(std::string_view text, const NewMessageOptions& options = {}) {
        return Add(text, MessageRecordFromText(text, options));
    }
    void Finish() { builder_.Finish(); }

  private:
    FileBuilder builder_;
    uint32_t next_id_ = 2;
};

// Rewrites any supported file compactly (new file renamed over the old one, with the old one's
// permission bits, owner and group) and re-opens it. Refuses (kCorrupt) when any record or text
// cannot be read, so nothing is silently dropped, and (kInvalidArgument) a file with several
// hard links, which the new file would part; throws kIo when the owner cannot be kept.
void CompactDatabase(Database& db);

}  // namespace dbx
