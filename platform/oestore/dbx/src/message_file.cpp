#include "dbx/message_file.h"

#include <algorithm>
#include <map>

#include "dbx/file_builder.h"
#include "record_scan.h"
#include "table_file.h"
#include "transaction.h"

namespace dbx {

namespace {

std::vector<uint32_t> Unique(std::span<const uint32_t> ids) {
    std::vector<uint32_t> unique(ids.begin(), ids.end());
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    return unique;
}

FileBuilder::Options BuilderOptions(FileSystem* fs) {
    FileBuilder::Options options;
    options.fs = fs;
    return options;
}

// The columns Append and MailboxWriter set themselves.
void FinishNewRecord(Record& record, uint32_t id, size_t text_length) {
    record.SetDword(msgcol::kId, id);
    uint32_t flags = record.Dword(msgcol::kFlags);
    record.SetDword(msgcol::kFlags,
                    text_length ? flags | msgflag::kHasBody : flags & ~msgflag::kHasBody);
    record.SetDword(msgcol::kSize, static_cast<uint32_t>(text_length));
    record.version = 1;
    record.length_field = 0;
}

[[noreturn]] void ThrowNoMessage(const Database& db, uint32_t id) {
    throw Error(ErrorCode::kNotFound,
                db.path().string() + " holds no message with id " + std::to_string(id));
}

}  // namespace

MessageInfo MessageInfo::FromRecord(const Record& record, uint32_t address) {
    MessageInfo info;
    info.id = record.Dword(msgcol::kId);
    info.flags = record.Dword(msgcol::kFlags);
    info.size = record.Dword(msgcol::kSize);
    info.sent = record.FileTime(msgcol::kDate);
    info.received = record.FileTime(msgcol::kReceivedDate);
    info.downloaded = record.FileTime(msgcol::kDownloadTime);
    info.priority = record.Dword(msgcol::kPriority);
    info.subject = record.String(msgcol::kSubject);
    info.normalized_subject = record.String(msgcol::kNormalizedSubject);
    info.display_from = record.String(msgcol::kDisplayFrom);
    info.email_from = record.String(msgcol::kEmailFrom);
    info.display_to = record.String(msgcol::kDisplayTo);
    info.email_to = record.String(msgcol::kEmailTo);
    info.message_id = record.String(msgcol::kMessageId);
    info.stream = record.Dword(msgcol::kStream);
    info.record_address = address;
    return info;
}

MessageCursor::MessageCursor(Database& db, bool salvage)
    : db_(db),
      salvage_(salvage),
      issues_(std::make_unique<IssueList>()),
      index_(db, 0, issues_.get()) {}

bool MessageCursor::Next(MessageInfo& info) {
    Record record;
    return Next(info, record);
}

bool MessageCursor::Next(MessageInfo& info, Record& record) {
    uint32_t address = 0;
    while (index_.Next(address)) {
        try {
            record = db_.ReadRecord(address);
        } catch (const Error& error) {
            if (!error.issue())
                throw;
            issues_->issues.push_back(*error.issue());
            ++skipped_;
            continue;
        }
        info = MessageInfo::FromRecord(record, address);
        if (salvage_)
            listed_ids_.push_back(info.id);
        return true;
    }
    if (!scanned_) {
        scanned_ = true;
        skipped_ += index_.skipped();
        if (salvage_ && index_.damaged()) {
            // Look for the records the damaged part of the index hid; of several copies of one
            // message keep the newest version.
            std::sort(listed_ids_.begin(), listed_ids_.end());
            std::map<uint32_t, std::pair<uint8_t, uint32_t>> newest;
            ScanForRecords(db_, [&](uint32_t found_at, const Record& candidate) {
                uint32_t id = candidate.Dword(msgcol::kId);
                if (id == 0 || std::binary_search(listed_ids_.begin(), listed_ids_.end(), id))
                    return;
                auto [it, inserted] = newest.try_emplace(id, candidate.version, found_at);
                if (!inserted && candidate.version > it->second.first)
                    it->second = {candidate.version, found_at};
            });
            for (const auto& [id, version_address] : newest)
                found_.push_back(version_address.second);
        }
    }
    while (found_pos_ < found_.size()) {
        address = found_[found_pos_++];
        record = db_.ReadRecord(address);
        info = MessageInfo::FromRecord(record, address);
        ++salvaged_;
        return true;
    }
    return false;
}

MessageFile MessageFile::Open(const std::filesystem::path& path, const OpenOptions& options) {
    return MessageFile(detail::OpenTable(path, options, TableKind::kMessages, "a mailbox"));
}

MessageFile MessageFile::Create(const std::filesystem::path& path, const MessageFileInfo& info,
                                FileSystem* fs) {
    return MessageFile(detail::CreateTable(path, TableKind::kMessages, EncodeMessageUserData(info),
                                           fs, [](FileBuilder&) {}));
}

std::vector<MessageInfo> MessageFile::List(IssueList* issues) {
    MessageCursor cursor = Messages();
    std::vector<MessageInfo> list;
    MessageInfo info;
    while (cursor.Next(info))
        list.push_back(std::move(info));
    if (issues)
        issues->issues.insert(issues->issues.end(), cursor.issues().issues.begin(),
                              cursor.issues().issues.end());
    return list;
}

std::optional<std::pair<uint32_t, Record>> MessageFile::Locate(uint32_t id) {
    try {
        std::optional<uint32_t> address = db_->FindRecord(0, detail::IdProbe(id));
        if (!address)
            return std::nullopt;
        return std::make_pair(*address, db_->ReadRecord(*address));
    } catch (const Error& error) {
        if (error.code() != ErrorCode::kCorrupt)
            throw;
    }
    // The index is damaged on the way to this id: look through every message that can be read.
    MessageCursor cursor = Messages(true);
    MessageInfo info;
    Record record;
    while (cursor.Next(info, record)) {
        if (info.id == id)
            return std::make_pair(info.record_address, std::move(record));
    }
    return std::nullopt;
}

std::optional<MessageInfo> MessageFile::Find(uint32_t id) {
    auto found = Locate(id);
    if (!found)
        return std::nullopt;
    return MessageInfo::FromRecord(found->second, found->first);
}

Record MessageFile::ReadRecord(uint32_t id) {
    auto found = Locate(id);
    if (!found)
        ThrowNoMessage(*db_, id);
    return std::move(found->second);
}

std::string MessageFile::ReadText(const MessageInfo& message, IssueList* issues) {
    if (message.stream == 0)
        return {};
    return ReadStream(db_->reader(), message.stream, issues, message.size);
}

std::string MessageFile::ReadText(uint32_t id) {
    std::optional<MessageInfo> message = Find(id);
    if (!message)
        ThrowNoMessage(*db_, id);
    return ReadText(*message);
}

uint32_t MessageFile::Append(std::string_view text, const NewMessageOptions& options) {
    return Append(text, MessageRecordFromText(text, options));
}

uint32_t MessageFile::Append(std::string_view text, Record columns) {
    if (text.size() >= kMaxFileSize)
        throw Error(ErrorCode::kFull, "a message cannot be larger than 2 GiB");
    Transaction tx(*db_);
    uint32_t id = tx.header().last_id() + 1;
    if (id == 0 || id >= kReservedIdMin)
        throw Error(ErrorCode::kFull, db_->path().string() + " has used up its message ids");
    if (tx.FindRecord(0, detail::IdProbe(id))) {
        ThrowCorrupt("file header", hdr::kLastId,
                     "the id counter " + std::to_string(id - 1) + " is behind the ids in the file");
    }
    tx.header().Set(hdr::kLastId, id);
    uint32_t stream = tx.WriteText(text);
    Record record = std::move(columns);
    FinishNewRecord(record, id, text.size());
    if (stream) {
        record.SetDword(msgcol::kStream, stream);
    } else {
        record.Erase(msgcol::kStream);
    }
    tx.InsertRecord(record);
    tx.Commit();
    return id;
}

void MessageFile::Delete(std::span<const uint32_t> ids) {
    std::vector<uint32_t> unique = Unique(ids);
    if (unique.empty())
        return;
    Transaction tx(*db_);
    for (uint32_t id : unique) {
        std::optional<uint32_t> address = tx.FindRecord(0, detail::IdProbe(id));
        if (!address)
            ThrowNoMessage(*db_, id);
        Record record = tx.ReadRecord(*address);
        tx.DeleteRecord(*address, record);
        if (uint32_t stream = record.Dword(msgcol::kStream))
            tx.FreeText(stream);
    }
    tx.Commit();
}

size_t MessageFile::SetFlags(std::span<const uint32_t> ids, uint32_t set, uint32_t clear) {
    set &= ~msgflag::kHasBody;
    clear &= ~msgflag::kHasBody;
    std::vector<uint32_t> unique = Unique(ids);
    if (unique.empty())
        return 0;
    Transaction tx(*db_);
    size_t changed = 0;
    for (uint32_t id : unique) {
        std::optional<uint32_t> address = tx.FindRecord(0, detail::IdProbe(id));
        if (!address)
            ThrowNoMessage(*db_, id);
        Record record = tx.ReadRecord(*address);
        uint32_t flags = record.Dword(msgcol::kFlags);
        uint32_t updated_flags = (flags | set) & ~clear;
        if (updated_flags == flags)
            continue;
        Record updated = record;
        updated.SetDword(msgcol::kFlags, updated_flags);
        tx.ReplaceRecord(*address, record, std::move(updated));
        ++changed;
    }
    if (changed)
        tx.Commit();
    return changed;
}

void MessageFile::Compact() {
    CompactDatabase(*db_);
}

MailboxWriter::MailboxWriter(const std::filesystem::path& path, const MessageFileInfo& info,
                             FileSystem* fs)
    : builder_(path, TableKind::kMessages, EncodeMessageUserData(info), BuilderOptions(fs)) {}

uint32_t MailboxWriter::Add(std::string_view text, Record columns) {
    uint32_t id = next_id_++;
    FinishNewRecord(columns, id, text.size());
    builder_.AddMessage(std::move(columns), TextFromString(text));
    return id;
}

void CompactDatabase(Database& db) {
    {
        Database::ChangeLock lock(db);
        const FileAccess access = db.file().Access();
        if (access.links > 1) {
            // The new file would take this name only and leave the others on the old content.
            throw Error(ErrorCode::kInvalidArgument,
                        "cannot compact " + db.path().string() + ": the file has " +
                            std::to_string(access.links) +
                            " names (hard links), and compacting would part them; make it a "
                            "file of its own (copy it) first");
        }
        FileBuilder::Options options;
        options.fs = &db.fs();
        options.last_id = db.header().last_id();
        options.indexes = &db.indexes();
        options.access = access;
        FileBuilder builder(db.path(), db.kind(), db.user_data(), options);
        IssueList issues;
        IndexCursor cursor(db, 0, &issues);
        uint32_t address = 0;
        while (cursor.Next(address)) {
            Record record = db.ReadRecord(address);
            record.version = 1;
            record.length_field = 0;
            if (db.kind() != TableKind::kMessages) {
                builder.AddRecord(record);
                continue;
            }
            StreamReader text(db.reader(), record.Dword(msgcol::kStream));
            builder.AddMessage(record,
                               [&](char* out, size_t length) { return text.Read(out, length); });
        }
        if (cursor.damaged()) {
            throw Error(ErrorCode::kCorrupt, "cannot compact " + db.path().string() +
                                                 ": its index is damaged (" +
                                                 issues.issues.front().ToString() + ")");
        }
        builder.Finish();
    }
    db.Reload();
}

}  // namespace dbx
