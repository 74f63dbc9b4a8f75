#include "transaction.h"

#include <algorithm>
#include <cstring>

#include "bytes.h"
#include "dbx/notification_log.h"
#include "dbx/stream_chain.h"
#include "journal.h"

namespace dbx {

class Transaction::Nodes : public NodeStore {
  public:
    explicit Nodes(Transaction& tx) : tx_(tx) {}

    TreeNode& Load(uint32_t address) override {
        auto it = nodes_.find(address);
        if (it != nodes_.end())
            return it->second;
        uint8_t bytes[kTreeNodeSize];
        if (address % 4 != 0 || !tx_.Read(address, bytes, kTreeNodeSize)) {
            ThrowCorrupt("tree node", address, "the address lies outside the file");
        }
        uint64_t limit = std::max<uint64_t>(tx_.db_.reader().size(), tx_.header_.allocation_end());
        return nodes_.emplace(address, DecodeTreeNode(bytes, address, limit)).first->second;
    }
    void Changed(uint32_t address) override { dirty_.insert(address); }
    TreeNode& Create() override {
        uint32_t address = tx_.Allocate(BlockType::kTreeNode, kTreeNodeSize);
        TreeNode& node = nodes_[address];
        node = TreeNode{};
        node.address = address;
        dirty_.insert(address);
        return node;
    }
    void Release(uint32_t address) override {
        nodes_.erase(address);
        dirty_.erase(address);
        tx_.Free(address, kTreeNodeSize, BlockType::kTreeNode);
    }
    // Queues every changed node as a write.
    void WriteChanged() {
        for (uint32_t address : dirty_)
            tx_.Write(address, EncodeTreeNode(nodes_.at(address)));
        dirty_.clear();
    }

  private:
    Transaction& tx_;
    std::unordered_map<uint32_t, TreeNode> nodes_;
    std::unordered_set<uint32_t> dirty_;
};

Transaction::Transaction(Database& db)
    : db_(db),
      lock_(db),
      header_(db.header()),
      allocator_(header_, [this](uint32_t address, uint8_t* bytes) {
          return Read(address, bytes, kFreeBlockHeaderSize);
      }) {
    nodes_ = std::make_unique<Nodes>(*this);
    for (size_t i = 0; i < db.indexes().size(); ++i) {
        roots_.push_back(
            {header_.root(static_cast<int>(i)), header_.record_count(static_cast<int>(i))});
    }
    keys_.resize(db.indexes().size());
}

// Out of line: Nodes is complete only here.
Transaction::~Transaction() = default;

bool Transaction::Read(uint64_t offset, void* out, size_t length) {
    FileReader& reader = db_.reader();
    uint64_t limit = std::max<uint64_t>(reader.size(), header_.allocation_end());
    if (offset > limit || length > limit - offset)
        return false;
    auto* bytes = static_cast<uint8_t*>(out);
    if (offset + length <= reader.size()) {
        reader.Read(offset, bytes, length);
    } else {
        std::memset(bytes, 0, length);
        if (offset < reader.size())
            reader.Read(offset, bytes, static_cast<size_t>(reader.size() - offset));
    }
    auto it = writes_.upper_bound(offset);
    if (it != writes_.begin())
        --it;
    for (; it != writes_.end() && it->first < offset + length; ++it) {
        uint64_t begin = std::max(offset, it->first);
        uint64_t end = std::min(offset + length, it->first + it->second.size());
        if (begin < end) {
            std::memcpy(bytes + (begin - offset), it->second.data() + (begin - it->first),
                        static_cast<size_t>(end - begin));
        }
    }
    return true;
}

void Transaction::Write(uint64_t address, std::string_view bytes) {
    uint64_t begin = address, end = address + bytes.size();
    std::string merged(bytes);
    auto it = writes_.upper_bound(begin);
    if (it != writes_.begin() && std::prev(it)->first + std::prev(it)->second.size() > begin)
        --it;
    while (it != writes_.end() && it->first < end) {
        uint64_t old_begin = it->first, old_end = old_begin + it->second.size();
        uint64_t new_begin = std::min(begin, old_begin), new_end = std::max(end, old_end);
        std::string combined(static_cast<size_t>(new_end - new_begin), '\0');
        std::copy(it->second.begin(), it->second.end(),
                  combined.begin() + static_cast<long>(old_begin - new_begin));
        std::copy(merged.begin(), merged.end(),
                  combined.begin() + static_cast<long>(begin - new_begin));
        merged = std::move(combined);
        begin = new_begin;
        end = new_end;
        it = writes_.erase(it);
    }
    writes_.emplace(begin, std::move(merged));
}

Record Transaction::ReadRecord(uint32_t address) {
    auto found = new_records_.find(address);
    if (found != new_records_.end())
        return found->second;
    uint32_t size = BlockSizeAt(address);
    std::vector<uint8_t> block(size);
    if (!Read(address, block.data(), size)) {
        ThrowCorrupt("record", address, "the record runs past the end of the file");
    }
    return DecodeRecord(block, address, db_.schema());
}

uint32_t Transaction::BlockSizeAt(uint32_t address) {
    uint8_t head[kRecordHeaderSize];
    if (address % 4 != 0 || !Read(address, head, sizeof head)) {
        ThrowCorrupt("record", address, "the address lies outside the file");
    }
    return kRecordHeaderSize + RecordBodyLength(head, address);
}

uint32_t Transaction::AllocateRecord(const Record& record) {
    uint32_t size = record.EncodedSize();
    // A larger record could never be put on a free list again once it is deleted.
    if (size > kMaxListedBlockSize) {
        throw Error(ErrorCode::kInvalidArgument,
                    "a record of " + Hex(size) + " bytes is larger than the " +
                        Hex(kMaxListedBlockSize) + " a file can reuse");
    }
    return Allocate(BlockType::kRecord, size);
}

uint32_t Transaction::Allocate(BlockType type, uint32_t size) {
    return allocator_.Allocate(type, size);
}

void Transaction::Free(uint32_t address, uint32_t size, BlockType type) {
    frees_.push_back({address, size, type});
}

uint32_t Transaction::WriteText(std::string_view text) {
    uint64_t count = StreamBlockCount(text.size());
    if (count == 0)
        return 0;
    std::vector<uint32_t> blocks(static_cast<size_t>(count));
    for (uint32_t& block : blocks)
        block = Allocate(BlockType::kStreamBlock, kStreamBlockSize);
    std::string run;
    uint64_t run_start = 0;
    for (size_t k = 0; k < blocks.size(); ++k) {
        if (!run.empty() && blocks[k] != run_start + run.size()) {
            Write(run_start, run);
            run.clear();
        }
        if (run.empty())
            run_start = blocks[k];
        size_t at = run.size();
        run.resize(at + kStreamBlockSize);
        uint32_t next = k + 1 < blocks.size() ? blocks[k + 1] : 0;
        EncodeStreamBlock(blocks[k], text.substr(k * kStreamPayloadSize, kStreamPayloadSize), next,
                          Bytes(run) + at);
    }
    Write(run_start, run);
    return blocks[0];
}

void Transaction::FreeText(uint32_t first_block) {
    // A damaged chain is freed up to the damage; the rest stays where it is.
    std::unordered_set<uint32_t> visited;
    uint64_t limit = db_.reader().size() / kStreamBlockSize;
    for (uint32_t address = first_block; address != 0 && visited.size() < limit;) {
        uint8_t head[kStreamBlockHeaderSize];
        if (address % 4 != 0 || !visited.insert(address).second ||
            !Read(address, head, sizeof head) || LoadU32(head) != address ||
            LoadU32(head + 4) != kStreamPayloadSize) {
            break;
        }
        Free(address, kStreamBlockSize, BlockType::kStreamBlock);
        address = LoadU32(head + 12);
    }
}

const IndexKeyValue& Transaction::KeyOf(int index, uint32_t address) {
    auto& cache = keys_[static_cast<size_t>(index)];
    auto it = cache.find(address);
    if (it == cache.end()) {
        const IndexDefinition& definition = db_.indexes()[static_cast<size_t>(index)].definition;
        it =
            cache.emplace(address, ExtractKey(definition, db_.schema(), ReadRecord(address))).first;
    }
    return it->second;
}

KeyCompare Transaction::CompareWith(int index, const IndexKeyValue& key) {
    return [this, index, key](uint32_t value) {
        return CompareKeys(db_.indexes()[static_cast<size_t>(index)].definition, key,
                           KeyOf(index, value));
    };
}

std::optional<TreePath> Transaction::Locate(int index, const IndexKeyValue& key, uint32_t address,
                                            bool must_exist) {
    TreeRoot& tree = roots_[static_cast<size_t>(index)];
    std::optional<TreePath> path = TreeFind(*nodes_, tree, CompareWith(index, key), address);
    if (!path && must_exist)
        path = TreeFindByScan(*nodes_, tree, address);
    if (!path && must_exist) {
        ThrowCorrupt("index " + std::to_string(index), tree.root,
                     "the index does not list the record at " + Hex(address));
    }
    return path;
}

uint32_t Transaction::InsertRecord(const Record& record) {
    uint32_t address = AllocateRecord(record);
    Write(address, EncodeRecord(record, address));
    new_records_[address] = record;
    for (size_t i = 0; i < roots_.size(); ++i) {
        const IndexInfo& index = db_.indexes()[i];
        if (!PassesFilter(index.filter, record))
            continue;
        TreeInsert(
            *nodes_, roots_[i],
            CompareWith(static_cast<int>(i), ExtractKey(index.definition, db_.schema(), record)),
            address);
    }
    return address;
}

void Transaction::DeleteRecord(uint32_t address, const Record& record) {
    for (size_t i = 0; i < roots_.size(); ++i) {
        const IndexInfo& index = db_.indexes()[i];
        IndexKeyValue key = ExtractKey(index.definition, db_.schema(), record);
        if (auto path =
                Locate(static_cast<int>(i), key, address, PassesFilter(index.filter, record))) {
            TreeEraseAt(*nodes_, roots_[i], *path);
        }
    }
    Free(address, BlockSizeAt(address), BlockType::kRecord);
}

uint32_t Transaction::ReplaceRecord(uint32_t address, const Record& old_record, Record updated) {
    updated.version = static_cast<uint8_t>(std::min(255, old_record.version + 1));
    updated.length_field =
        old_record.length_field ? static_cast<uint16_t>(updated.EncodedSize()) : 0;
    uint32_t new_address = AllocateRecord(updated);
    Write(new_address, EncodeRecord(updated, new_address));
    new_records_[new_address] = updated;
    for (size_t i = 0; i < roots_.size(); ++i) {
        const IndexInfo& index = db_.indexes()[i];
        int n = static_cast<int>(i);
        IndexKeyValue old_key = ExtractKey(index.definition, db_.schema(), old_record);
        IndexKeyValue new_key = ExtractKey(index.definition, db_.schema(), updated);
        bool member = PassesFilter(index.filter, updated);
        auto path = Locate(n, old_key, address, PassesFilter(index.filter, old_record));
        if (path && member && CompareKeys(index.definition, old_key, new_key) == 0) {
            TreeNode& node = nodes_->Load(path->back().node);
            node.entries[path->back().index].value = new_address;
            nodes_->Changed(node.address);
            continue;
        }
        if (path)
            TreeEraseAt(*nodes_, roots_[i], *path);
        if (member)
            TreeInsert(*nodes_, roots_[i], CompareWith(n, new_key), new_address);
    }
    Free(address, BlockSizeAt(address), BlockType::kRecord);
    return new_address;
}

std::optional<uint32_t> Transaction::FindRecord(int index, const Record& probe) {
    const IndexDefinition& definition = db_.indexes()[static_cast<size_t>(index)].definition;
    return TreeLookup(*nodes_, roots_[static_cast<size_t>(index)],
                      CompareWith(index, ExtractKey(definition, db_.schema(), probe)));
}

void Transaction::EmptyNotificationLog() {
    if (db_.header().Get(hdr::kLogHead) == 0)
        return;
    std::vector<LogEntry> entries;
    try {
        entries = ReadNotificationLog(db_.reader(), db_.header());
    } catch (const Error&) {
        return;  // a damaged log is left as it is
    }
    for (const LogEntry& entry : entries)
        Free(entry.address, kLogEntrySize, BlockType::kTransaction);
    header_.Set(hdr::kLogHead, 0);
    header_.Set(hdr::kLogTail, 0);
}

void Transaction::ApplyFrees() {
    for (const PendingFree& block : frees_) {
        uint32_t next = 0;
        if (!allocator_.Free(block.address, block.size, block.type, next))
            continue;
        uint8_t head[kFreeBlockHeaderSize] = {};
        Read(block.address, head, sizeof head);  // keeps the DWORD at +0x0C
        StoreU32(head, block.address);
        StoreU32(head + 4, block.size - kFreeBlockHeaderSize);
        StoreU32(head + 8, block.size);
        StoreU32(head + 0x10, next);
        Write(block.address, std::string_view(reinterpret_cast<char*>(head), sizeof head));
    }
    frees_.clear();
}

namespace {

struct Range {
    uint64_t begin;
    uint64_t end;
};

// Space the committed header does not use: the unused tail of the last segment of each kind,
// and everything from the allocation end on.
std::vector<Range> FreshRanges(const FileHeader& header) {
    std::vector<Range> ranges;
    for (SegmentKind kind : {SegmentKind::kVariable, SegmentKind::kTree, SegmentKind::kStream}) {
        uint32_t last = header.last_segment(kind);
        uint32_t used = header.segment_used(kind);
        uint32_t size = FileHeader::SegmentSize(kind);
        if (last != 0 && used < size)
            ranges.push_back({uint64_t{last} + used, uint64_t{last} + size});
    }
    ranges.push_back({header.allocation_end(), UINT64_MAX});
    std::sort(ranges.begin(), ranges.end(),
              [](const Range& a, const Range& b) { return a.begin < b.begin; });
    return ranges;
}

// Differences between two byte strings at `base`, as ranges; nearby ones are joined.
std::vector<Range> Differences(const uint8_t* before, const uint8_t* after, size_t length,
                               uint64_t base) {
    std::vector<Range> ranges;
    for (size_t i = 0; i < length;) {
        if (before[i] == after[i]) {
            ++i;
            continue;
        }
        size_t start = i, last = i;
        for (; i < length && i - last <= 32; ++i) {
            if (before[i] != after[i])
                last = i;
        }
        ranges.push_back({base + start, base + last + 1});
        i = last + 1;
    }
    return ranges;
}

}  // namespace

void Transaction::Commit() {
    if (committed_)
        throw std::logic_error("a transaction commits once");
    for (size_t i = 0; i < roots_.size(); ++i) {
        header_.Set(hdr::kRoot + 4 * static_cast<uint32_t>(i), roots_[i].root);
        header_.Set(hdr::kRecordCount + 4 * static_cast<uint32_t>(i), roots_[i].count);
    }
    EmptyNotificationLog();
    ApplyFrees();
    nodes_->WriteChanged();
    uint64_t target = header_.RequiredFileSize();
    if (target > kMaxFileSize) {
        throw Error(ErrorCode::kFull,
                    "the file would grow past 2 GiB, the most a .dbx file can address");
    }

    // Split the writes: new objects in unused space go straight to the file; the rest is
    // journaled.
    std::vector<Range> fresh = FreshRanges(db_.header());
    std::vector<std::pair<uint64_t, std::string_view>> direct, in_place;
    for (const auto& [offset, bytes] : writes_) {
        uint64_t pos = offset, end = offset + bytes.size();
        while (pos < end) {
            auto inside = std::find_if(fresh.begin(), fresh.end(), [&](const Range& r) {
                return r.begin <= pos && pos < r.end;
            });
            uint64_t piece_end = end;
            if (inside != fresh.end()) {
                piece_end = std::min(end, inside->end);
            } else {
                for (const Range& r : fresh) {
                    if (r.begin > pos)
                        piece_end = std::min(piece_end, r.begin);
                }
            }
            std::string_view piece(bytes.data() + (pos - offset),
                                   static_cast<size_t>(piece_end - pos));
            (inside != fresh.end() ? direct : in_place).emplace_back(pos, piece);
            pos = piece_end;
        }
    }

    File& file = db_.file();
    Journal journal{file.Id(), target, {}};
    auto add_entry = [&](uint64_t offset, std::string after) {
        std::string before(after.size(), '\0');
        file.ReadAt(offset, before.data(), before.size());
        journal.entries.push_back({offset, std::move(before), std::move(after)});
    };
    for (const auto& [offset, bytes] : in_place)
        add_entry(offset, std::string(bytes));
    const FileHeader& old_header = db_.header();
    for (const Range& r :
         Differences(old_header.bytes().data(), header_.bytes().data(), kHeaderSize, 0)) {
        add_entry(r.begin,
                  std::string(reinterpret_cast<const char*>(header_.bytes().data()) + r.begin,
                              static_cast<size_t>(r.end - r.begin)));
    }

    uint64_t size = file.Size();
    if (target > size)
        file.Truncate(target);
    for (const auto& [offset, bytes] : direct)
        file.WriteAt(offset, bytes.data(), bytes.size());
    if (target > size || !direct.empty())
        file.Sync();

    std::filesystem::path journal_path = JournalPath(db_.path());
    WriteJournal(db_.fs(), journal_path, journal);
    ApplyJournal(journal, file);
    db_.fs().Remove(journal_path);
    db_.fs().SyncDirectory(journal_path.parent_path());

    db_.header_ = header_;
    db_.reader_->Reset();
    committed_ = true;
}

}  // namespace dbx
