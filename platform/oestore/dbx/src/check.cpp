#include "dbx/check.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "bytes.h"
#include "dbx/file_names.h"
#include "dbx/index_cursor.h"
#include "dbx/message_file.h"
#include "dbx/notification_log.h"
#include "dbx/stream_chain.h"
#include "dbx/user_data.h"
#include "index_key.h"
#include "space.h"

namespace dbx {

namespace {

enum class ObjectKind { kRecord, kFilter, kTreeNode, kStreamBlock, kFree, kLogEntry };

const char* Describe(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::kRecord:
            return "record";
        case ObjectKind::kFilter:
            return "filter string";
        case ObjectKind::kTreeNode:
            return "tree node";
        case ObjectKind::kStreamBlock:
            return "stream block";
        case ObjectKind::kFree:
            return "free block";
        case ObjectKind::kLogEntry:
            return "log entry";
    }
    return "object";
}

struct Object {
    uint32_t address;
    uint32_t size;
    ObjectKind kind;
    SegmentKind segment;
};

class Checker {
  public:
    explicit Checker(Database& db) : db_(db), header_(db.header()), size_(db.reader().size()) {}

    CheckReport Run() {
        for (const Issue& issue : db_.open_issues().issues)
            report_.findings.issues.push_back(issue);
        CheckHeader();
        CheckFilters();
        std::vector<std::vector<uint32_t>> members = WalkIndexes();
        CheckRecords(members);
        CheckFreeLists();
        CheckNotificationLog();
        CheckSpace();
        return std::move(report_);
    }

  private:
    void Find(const std::string& structure, uint64_t offset, const std::string& detail) {
        report_.findings.Add(structure, offset, detail);
    }
    void Note(const std::string& structure, uint64_t offset, const std::string& detail) {
        report_.notes.Add(structure, offset, detail);
    }
    void FindOrNote(bool finding, const std::string& structure, uint64_t offset,
                    const std::string& detail) {
        (finding ? report_.findings : report_.notes).Add(structure, offset, detail);
    }

    void CheckHeader() {
        auto expect = [&](uint32_t offset, uint32_t value, const char* what) {
            if (header_.Get(offset) != value) {
                Find("file header", offset,
                     std::string(what) + " is " + Hex(header_.Get(offset)) + ", not " + Hex(value));
            }
        };
        expect(hdr::kSchemaVersion, db_.schema().schema_version, "schema version");
        expect(hdr::kEngineVersion, 5, "format version");
        uint64_t end = header_.allocation_end();
        if (end % 4 != 0 || end < header_.data_start() || end > size_) {
            Find("file header", hdr::kAllocationEnd,
                 "allocation end " + Hex(end) + " is not within the data area (" +
                     Hex(header_.data_start()) + ".." + Hex(size_) + ")");
        }
        // File length: the data start plus whole 64 KiB steps covering the allocation end. A
        // change interrupted before its commit may leave more steps than needed; the next change
        // trims them. Only a file too short for its allocation area lacks data.
        uint64_t required = header_.RequiredFileSize();
        if (size_ < required || (size_ != header_.data_start() &&
                                 (size_ - header_.data_start()) % kFileGrowStep != 0)) {
            FindOrNote(size_ < header_.allocation_end(), "file header", hdr::kAllocationEnd,
                       "the file is " + Hex(size_) + " bytes long; the allocation area needs " +
                           Hex(required) + " (data start plus whole 64 KiB steps)");
        }
        for (SegmentKind kind :
             {SegmentKind::kVariable, SegmentKind::kTree, SegmentKind::kStream}) {
            uint32_t field = FileHeader::SegmentField(kind);
            uint32_t last = header_.last_segment(kind);
            if (last == 0)
                continue;
            if (last % 4 != 0 || last < header_.data_start() ||
                uint64_t{last} + FileHeader::SegmentSize(kind) > header_.allocation_end()) {
                Find("file header", field,
                     "last segment " + Hex(last) + " lies outside the allocation area");
            }
            expect(field + 4, FileHeader::SegmentSize(kind), "segment size");
            if (header_.segment_used(kind) > FileHeader::SegmentSize(kind)) {
                Find("file header", field + 8,
                     "bytes used " + Hex(header_.segment_used(kind)) + " exceed the segment");
            }
        }
    }

    void CheckFilters() {
        for (size_t i = 0; i < db_.indexes().size(); ++i) {
            uint32_t address = header_.filter_address(static_cast<int>(i));
            if (!address)
                continue;
            const std::string& text = db_.indexes()[i].filter_text;
            uint32_t stored = StoredFilterLength(text);
            objects_.push_back({address, 8 + stored, ObjectKind::kFilter, SegmentKind::kVariable});
            live_[static_cast<int>(BlockType::kFilter)] += 8 + stored;
        }
    }

    std::vector<std::vector<uint32_t>> WalkIndexes() {
        std::vector<std::vector<uint32_t>> members;
        for (size_t i = 0; i < db_.indexes().size(); ++i) {
            IndexCursor cursor(db_, static_cast<int>(i), &report_.findings);
            std::vector<uint32_t> values;
            uint32_t value = 0;
            while (cursor.Next(value))
                values.push_back(value);
            for (uint32_t node : cursor.nodes()) {
                objects_.push_back(
                    {node, kTreeNodeSize, ObjectKind::kTreeNode, SegmentKind::kTree});
                live_[static_cast<int>(BlockType::kTreeNode)] += kTreeNodeSize;
                ++report_.tree_nodes;
            }
            members.push_back(std::move(values));
        }
        return members;
    }

    void CheckRecords(const std::vector<std::vector<uint32_t>>& members) {
        const bool messages = db_.kind() == TableKind::kMessages;
        std::unordered_map<uint32_t, Record> records;
        uint32_t max_id = 0;
        for (uint32_t address : members[0]) {
            Record record;
            try {
                record = db_.ReadRecord(address);
            } catch (const Error& error) {
                if (error.issue())
                    report_.findings.issues.push_back(*error.issue());
                continue;
            }
            ++report_.records;
            uint32_t block = BlockSize(address);
            objects_.push_back({address, block, ObjectKind::kRecord, SegmentKind::kVariable});
            live_[static_cast<int>(BlockType::kRecord)] += block;
            CheckPacking(address, record, block);
            max_id = std::max(max_id, record.Dword(0));
            if (messages)
                CheckMessage(address, record);
            if (!records.emplace(address, std::move(record)).second) {
                Find("record", address, "index 0 lists the record twice");
            }
        }
        if (max_id > header_.last_id()) {
            Find("file header", hdr::kLastId,
                 "id counter " + std::to_string(header_.last_id()) + " is below the largest id " +
                     std::to_string(max_id));
        }
        for (size_t i = 0; i < members.size(); ++i)
            CheckIndexContent(static_cast<int>(i), members[i], members[0], records);
    }

    uint32_t BlockSize(uint32_t address) {
        uint8_t head[kRecordHeaderSize];
        db_.reader().Read(address, head, sizeof head);
        return kRecordHeaderSize + LoadU32(head + 4);
    }

    void CheckPacking(uint32_t address, const Record& record, uint32_t block) {
        if ((block - kRecordHeaderSize) % 4 != 0)
            Find("record", address, "body length is not a multiple of 4");
        std::string encoded = EncodeRecord(record, address);
        std::string stored(encoded.size(), '\0');
        size_t used = kRecordHeaderSize + 4 * record.columns.size();
        for (const Column& column : record.columns)
            used += column.direct ? 0 : column.data.size();
        if (encoded.size() != block || !db_.reader().Read(address, stored.data(), stored.size()) ||
            encoded.compare(0, used, stored, 0, used) != 0) {
            Find("record", address, "values are not packed back to back in column order");
        }
    }

    void CheckMessage(uint32_t address, const Record& record) {
        uint32_t flags = record.Dword(msgcol::kFlags);
        uint32_t stream = record.Dword(msgcol::kStream);
        if (record.Dword(msgcol::kId) == 0)
            Find("record", address, "message without an id");
        if (((flags & msgflag::kHasBody) != 0) != (stream != 0)) {
            Find("record", address, "the has-body flag and the text address disagree");
        }
        if (!stream)
            return;
        // The reader checks every block; a damaged chain ends the check of this message.
        uint64_t length = 0;
        StreamReader text(db_.reader(), stream);
        char buffer[8 * kStreamPayloadSize];
        try {
            while (size_t n = text.Read(buffer, sizeof buffer))
                length += n;
        } catch (const Error& error) {
            if (error.issue())
                report_.findings.issues.push_back(*error.issue());
            return;
        }
        // The chain is sound: walk it again for the block addresses and fills.
        std::unordered_set<uint32_t> seen;
        for (uint32_t block = stream; block && seen.insert(block).second;) {
            uint8_t head[kStreamBlockHeaderSize];
            db_.reader().Read(block, head, sizeof head);
            uint32_t used = LoadU32(head + 8);
            uint32_t next = LoadU32(head + 12);
            if (next && used != kStreamPayloadSize) {
                Note("stream block", block,
                     "a block before the last holds only " + Hex(used) + " bytes");
            }
            objects_.push_back(
                {block, kStreamBlockSize, ObjectKind::kStreamBlock, SegmentKind::kStream});
            live_[static_cast<int>(BlockType::kStreamBlock)] += kStreamBlockSize;
            ++report_.stream_blocks;
            block = next;
        }
        if (record.Dword(msgcol::kSize) != length) {
            Note("record", address,
                 "SIZE column " + std::to_string(record.Dword(msgcol::kSize)) +
                     " but the text is " + std::to_string(length) + " bytes");
        }
    }

    void CheckIndexContent(int index, const std::vector<uint32_t>& values,
                           const std::vector<uint32_t>& all,
                           const std::unordered_map<uint32_t, Record>& records) {
        const IndexInfo& info = db_.indexes()[static_cast<size_t>(index)];
        std::string where = "index " + std::to_string(index);
        uint32_t root = header_.root(index);
        // Order: every key strictly after the one before.
        const IndexKeyValue* previous = nullptr;
        IndexKeyValue previous_key;
        for (uint32_t value : values) {
            auto it = records.find(value);
            if (it == records.end()) {
                if (index > 0)
                    Find(where, root, "lists " + Hex(value) + ", which index 0 does not");
                previous = nullptr;
                continue;
            }
            IndexKeyValue key = ExtractKey(info.definition, db_.schema(), it->second);
            if (previous && CompareKeys(info.definition, *previous, key) >= 0) {
                Find(where, root, "the record at " + Hex(value) + " is out of order");
            }
            previous_key = std::move(key);
            previous = &previous_key;
        }
        if (index == 0 || info.filter == IndexFilter::kUnknown)
            return;
        // Membership: exactly the records the filter selects.
        std::set<uint32_t> listed(values.begin(), values.end());
        for (uint32_t value : all) {
            auto it = records.find(value);
            if (it == records.end())
                continue;
            bool belongs = PassesFilter(info.filter, it->second);
            if (belongs != (listed.count(value) > 0)) {
                Find(where, root,
                     "the record at " + Hex(value) +
                         (belongs ? " belongs in the index but is missing"
                                  : " is listed but does not pass the filter"));
            }
        }
    }

    void CheckFreeLists() {
        auto walk = [&](uint32_t head_offset, uint32_t size, SegmentKind segment) {
            std::unordered_set<uint32_t> seen;
            uint32_t address = header_.Get(head_offset);
            while (address) {
                if (!seen.insert(address).second || seen.size() > size_ / size + 1) {
                    Find("free block", address,
                         "the free list at header " + Hex(head_offset) + " loops");
                    return;
                }
                uint8_t head[kFreeBlockHeaderSize];
                if (address % 4 != 0 || !db_.reader().Read(address, head, sizeof head)) {
                    Find("free block", address, "lies outside the file");
                    return;
                }
                if (LoadU32(head) != address || LoadU32(head + 4) != size - kFreeBlockHeaderSize ||
                    LoadU32(head + 8) != size) {
                    Find("free block", address, "is not a free block of " + Hex(size) + " bytes");
                    return;
                }
                objects_.push_back({address, size, ObjectKind::kFree, segment});
                free_bytes_ += size;
                ++report_.free_blocks;
                address = LoadU32(head + 0x10);
            }
        };
        walk(hdr::kStreamFreeHead, kStreamBlockSize, SegmentKind::kStream);
        walk(hdr::kTreeFreeHead, kTreeNodeSize, SegmentKind::kTree);
        for (uint32_t size = kFreeBlockHeaderSize; size <= kMaxListedBlockSize; size += 4) {
            if (header_.Get(FileHeader::VariableFreeHeadOffset(size))) {
                walk(FileHeader::VariableFreeHeadOffset(size), size, SegmentKind::kVariable);
            }
        }
    }

    void CheckNotificationLog() {
        try {
            for (const LogEntry& entry : ReadNotificationLog(db_.reader(), header_)) {
                objects_.push_back(
                    {entry.address, kLogEntrySize, ObjectKind::kLogEntry, SegmentKind::kVariable});
                live_[static_cast<int>(BlockType::kTransaction)] += kLogEntrySize;
            }
        } catch (const Error& error) {
            if (error.issue())
                report_.findings.issues.push_back(*error.issue());
        }
    }

    void CheckSpace() {
        // Byte accounting: statistics that no reader needs to find anything.
        for (BlockType type : {BlockType::kRecord, BlockType::kFilter, BlockType::kTransaction,
                               BlockType::kTreeNode, BlockType::kStreamBlock}) {
            uint64_t found = live_[static_cast<int>(type)];
            if (header_.live_bytes(type) != found) {
                Note("file header", hdr::kLiveBytes + 4 * static_cast<uint32_t>(type),
                     "counts " + Hex(header_.live_bytes(type)) +
                         " live bytes where the objects take " + Hex(found));
            }
        }
        if (header_.Get(hdr::kFreeBytes) != free_bytes_) {
            Note("file header", hdr::kFreeBytes,
                 "counts " + Hex(header_.Get(hdr::kFreeBytes)) +
                     " free bytes where the free lists hold " + Hex(free_bytes_));
        }
        uint64_t live_total = 0;
        for (int type = 0; type < kBlockTypeCount; ++type)
            live_total += header_.live_bytes(static_cast<BlockType>(type));
        if (header_.Get(hdr::kAllocatedBytes) != live_total + header_.Get(hdr::kFreeBytes)) {
            Note("file header", hdr::kAllocatedBytes,
                 "allocated bytes " + Hex(header_.Get(hdr::kAllocatedBytes)) +
                     " are not live plus free bytes (" +
                     Hex(live_total + header_.Get(hdr::kFreeBytes)) + ")");
        }
        // Placement: inside the allocation area, no two objects overlapping.
        std::sort(objects_.begin(), objects_.end(),
                  [](const Object& a, const Object& b) { return a.address < b.address; });
        for (size_t k = 0; k < objects_.size(); ++k) {
            const Object& object = objects_[k];
            if (object.address < header_.data_start() ||
                uint64_t{object.address} + object.size > header_.allocation_end()) {
                Find(Describe(object.kind), object.address, "lies outside the allocation area");
            }
            if (k > 0 &&
                uint64_t{objects_[k - 1].address} + objects_[k - 1].size > object.address) {
                Find(Describe(object.kind), object.address,
                     "overlaps the " + std::string(Describe(objects_[k - 1].kind)) + " at " +
                         Hex(objects_[k - 1].address));
            }
        }
        // The used-bytes counter of the last segment of each kind: objects past it would be
        // overwritten by the next allocation; a counter past the objects only wastes space.
        for (SegmentKind kind :
             {SegmentKind::kVariable, SegmentKind::kTree, SegmentKind::kStream}) {
            uint32_t last = header_.last_segment(kind);
            if (last == 0)
                continue;
            uint64_t end = uint64_t{last} + FileHeader::SegmentSize(kind);
            uint64_t used = 0, high = last;
            for (const Object& object : objects_) {
                if (object.address >= last && object.address < end) {
                    used += object.size;
                    high = std::max<uint64_t>(high, object.address + object.size);
                }
            }
            uint32_t counted = header_.segment_used(kind);
            if (used != counted || high > uint64_t{last} + counted) {
                FindOrNote(high > uint64_t{last} + counted, "file header",
                           FileHeader::SegmentField(kind) + 8,
                           "the last segment at " + Hex(last) + " counts " + Hex(counted) +
                               " bytes used, its objects take " + Hex(used) + " up to " +
                               Hex(high - last));
            }
        }
    }

    Database& db_;
    const FileHeader& header_;
    uint64_t size_;
    CheckReport report_;
    std::vector<Object> objects_;
    uint64_t live_[kBlockTypeCount] = {};
    uint64_t free_bytes_ = 0;
};

}  // namespace

CheckReport CheckDatabase(Database& db) {
    return Checker(db).Run();
}

void CheckStoreLinks(FolderFile& folders, const std::filesystem::path& store_dir,
                     CheckReport& report, unsigned code_page) {
    std::vector<FolderInfo> all = folders.List();
    std::unordered_map<uint32_t, const FolderInfo*> by_id;
    for (const FolderInfo& folder : all)
        by_id[folder.id] = &folder;
    for (const FolderInfo& folder : all) {
        if (folder.file.empty())
            continue;
        const std::string where = "folder record";
        auto find = [&](const std::string& detail) {
            report.findings.Add(where, folder.record_address, "\"" + folder.name + "\": " + detail);
        };
        std::optional<std::filesystem::path> path =
            StoreFilePath(store_dir, folder.file, code_page);
        if (!path) {
            find("its file name " + folder.file + " is not a file name of the store folder");
            continue;
        }
        if (!std::filesystem::exists(*path)) {
            find("its file " + folder.file + " is missing");
            continue;
        }
        try {
            MessageFile mailbox = MessageFile::Open(*path);
            MessageFileInfo info = mailbox.info();
            // The account is the one of the nearest folder up the tree that names one.
            std::string account;
            const FolderInfo* at = &folder;
            for (size_t steps = 0; at && account.empty() && steps <= all.size(); ++steps) {
                account = at->account_id;
                auto parent = by_id.find(at->parent);
                at = parent == by_id.end() || parent->second == at ? nullptr : parent->second;
            }
            auto differs = [&](const std::string& what, const std::string& in_folder,
                               const std::string& in_file) {
                report.notes.Add(where, folder.record_address,
                                 "\"" + folder.name + "\": " + what + " is " + in_folder +
                                     " here but " + in_file + " in " + folder.file);
            };
            if (info.folder_id != folder.id)
                differs("the folder id", std::to_string(folder.id), std::to_string(info.folder_id));
            if (info.folder_type != folder.type) {
                differs("the folder type", std::to_string(folder.type),
                        std::to_string(info.folder_type));
            }
            if (info.special != folder.special)
                differs("the special kind", std::to_string(folder.special),
                        std::to_string(info.special));
            if (!account.empty() && info.account_id != account)
                differs("the account", account, info.account_id);
            uint32_t count = 0, unread = 0;
            MessageCursor cursor = mailbox.Messages(false);
            MessageInfo message;
            while (cursor.Next(message)) {
                ++count;
                if (!(message.flags & msgflag::kRead))
                    ++unread;
            }
            if (count != folder.messages)
                differs("the message count", std::to_string(folder.messages),
                        std::to_string(count));
            if (unread != folder.unread)
                differs("the unread count", std::to_string(folder.unread), std::to_string(unread));
        } catch (const Error& error) {
            find(folder.file + ": " + error.what());
        }
    }
}

}  // namespace dbx
