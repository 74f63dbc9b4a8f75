#include "dbx/file_builder.h"

#include <algorithm>
#include <cstring>

#include "btree.h"
#include "bytes.h"
#include "dbx/file_names.h"
#include "dbx/stream_chain.h"
#include "index_key.h"
#include "space.h"

namespace dbx {

struct FileBuilder::IndexEntries {
    std::vector<uint32_t> values;
    std::vector<IndexKeyValue> keys;
    uint32_t first_node = 0;  // allocated at the first insert, becomes the root
};

TextSource TextFromString(std::string_view text) {
    return [text, pos = size_t{0}](char* out, size_t length) mutable {
        size_t n = std::min(length, text.size() - pos);
        std::memcpy(out, text.data() + pos, n);
        pos += n;
        return n;
    };
}

FileBuilder::FileBuilder(std::filesystem::path path, TableKind kind, std::string user_data,
                         const Options& options)
    : path_(std::move(path)),
      temp_path_(BuildingPath(path_)),
      fs_(options.fs ? options.fs : &SystemFileSystem()),
      kind_(kind),
      user_data_(std::move(user_data)) {
    const TableSchema& schema = SchemaFor(kind);
    user_data_.resize(schema.user_data_size, '\0');
    if (options.indexes) {
        indexes_ = *options.indexes;
    } else {
        for (size_t i = 0; i < schema.indexes.size(); ++i) {
            indexes_.push_back(
                {schema.indexes[i], schema.filters[i], ParseIndexFilter(schema.filters[i])});
        }
    }
    for (size_t i = 0; i < indexes_.size(); ++i)
        entries_.push_back(std::make_unique<IndexEntries>());

    // The header of a new table (values every Outlook Express 6 file of the kind carries).
    header_.Set(hdr::kMagic, kMagic);
    header_.SetKind(kind);
    header_.Set(hdr::kSchemaVersion, schema.schema_version);
    header_.Set(hdr::kEngineVersion, 5);
    header_.Set(hdr::kUserDataSize, schema.user_data_size);
    header_.Set(hdr::kAlwaysOne, 1);
    header_.Set(hdr::kConstant68, 0x68);
    header_.Set(hdr::kLastId, std::max<uint32_t>(options.last_id, 1));
    header_.Set(hdr::kIndexCount, static_cast<uint32_t>(indexes_.size()));
    for (size_t i = 0; i < indexes_.size(); ++i) {
        header_.Set(hdr::kIndexOrdinal + 4 * static_cast<uint32_t>(i), static_cast<uint32_t>(i));
        header_.SetIndexDefinition(static_cast<int>(i), indexes_[i].definition);
    }
    header_.Set(hdr::kAllocationEnd, static_cast<uint32_t>(header_.data_start()));

    file_ = fs_->Open(temp_path_, OpenMode::kCreate);
    if (options.access)
        file_->SetAccess(*options.access);

    // Filter strings come first in the first variable segment.
    for (size_t i = 0; i < indexes_.size(); ++i) {
        const std::string& text = indexes_[i].filter_text;
        if (text.empty())
            continue;
        uint32_t stored = StoredFilterLength(text);
        std::string block(8 + stored, '\0');
        uint32_t address = Allocate(BlockType::kFilter, static_cast<uint32_t>(block.size()));
        StoreU32(Bytes(block), address);
        StoreU32(Bytes(block) + 4, stored);
        std::copy(text.begin(), text.end(), block.begin() + 8);
        Put(address, block.data(), block.size());
        header_.Set(hdr::kFilterAddress + 4 * static_cast<uint32_t>(i), address);
    }
}

FileBuilder::~FileBuilder() {
    if (finished_)
        return;
    file_.reset();
    try {
        fs_->Remove(temp_path_);
    } catch (const Error&) {
        // Nothing more can be done about a temporary file that cannot be removed.
    }
}

uint32_t FileBuilder::Allocate(BlockType type, uint32_t size) {
    SpaceAllocator allocator(header_, nullptr);
    uint32_t end_before = header_.allocation_end();
    uint32_t address = allocator.Allocate(type, size);
    if (header_.allocation_end() != end_before) {
        // A new segment: the previous one of this kind is complete once the object being written
        // is in it (tree segments stay until the end, when the remaining nodes are written).
        SegmentKind kind = SegmentOf(type);
        uint32_t& open = open_segment_[static_cast<int>(kind)];
        if (open != 0 && kind != SegmentKind::kTree)
            complete_.push_back(open);
        open = end_before;
        segments_[end_before].assign(FileHeader::SegmentSize(kind), 0);
    }
    return address;
}

void FileBuilder::Put(uint64_t address, const void* bytes, size_t length) {
    auto it = segments_.upper_bound(static_cast<uint32_t>(address));
    if (it == segments_.begin() ||
        address + length > std::prev(it)->first + std::prev(it)->second.size()) {
        throw std::logic_error("write outside the buffered segments");
    }
    --it;
    std::memcpy(it->second.data() + (address - it->first), bytes, length);
}

void FileBuilder::FlushComplete() {
    for (uint32_t start : complete_)
        FlushSegment(start);
    complete_.clear();
}

void FileBuilder::FlushSegment(uint32_t start) {
    auto it = segments_.find(start);
    if (it == segments_.end())
        return;
    file_->WriteAt(start, it->second.data(), it->second.size());
    segments_.erase(it);
}

uint32_t FileBuilder::WriteText(const TextSource& text) {
    // Read one block ahead, so each block knows whether another follows.
    char current[kStreamPayloadSize], next[kStreamPayloadSize];
    auto fill = [&](char* buffer) {
        size_t got = 0;
        while (got < kStreamPayloadSize) {
            size_t n = text(buffer + got, kStreamPayloadSize - got);
            if (n == 0)
                break;
            got += n;
        }
        return got;
    };
    size_t current_length = fill(current);
    if (current_length == 0)
        return 0;
    uint32_t first = Allocate(BlockType::kStreamBlock, kStreamBlockSize);
    uint32_t address = first;
    uint8_t block[kStreamBlockSize];
    for (;;) {
        size_t next_length = current_length == kStreamPayloadSize ? fill(next) : 0;
        uint32_t next_address =
            next_length ? Allocate(BlockType::kStreamBlock, kStreamBlockSize) : 0;
        EncodeStreamBlock(address, std::string_view(current, current_length), next_address, block);
        Put(address, block, sizeof block);
        if (!next_address)
            break;
        std::memcpy(current, next, next_length);
        current_length = next_length;
        address = next_address;
    }
    return first;
}

void FileBuilder::Insert(const Record& record, uint32_t address) {
    const TableSchema& schema = SchemaFor(kind_);
    int64_t id = static_cast<int32_t>(record.Dword(0));
    if (have_last_id_ && id <= last_id_) {
        throw Error(ErrorCode::kInvalidArgument, "records must come in ascending id order");
    }
    have_last_id_ = true;
    last_id_ = id;
    if (record.Dword(0) > header_.last_id())
        header_.Set(hdr::kLastId, record.Dword(0));
    for (size_t i = 0; i < indexes_.size(); ++i) {
        if (!PassesFilter(indexes_[i].filter, record))
            continue;
        IndexEntries& entries = *entries_[i];
        if (entries.values.empty())
            entries.first_node = Allocate(BlockType::kTreeNode, kTreeNodeSize);
        entries.values.push_back(address);
        if (i > 0)
            entries.keys.push_back(ExtractKey(indexes_[i].definition, schema, record));
    }
}

void FileBuilder::AddMessage(Record record, const TextSource& text) {
    FlushComplete();
    if (uint32_t first = WriteText(text)) {
        record.SetDword(msgcol::kStream, first);
    } else {
        record.Erase(msgcol::kStream);
    }
    AddRecord(record);
}

void FileBuilder::AddRecord(const Record& record) {
    FlushComplete();
    uint32_t size = record.EncodedSize();
    uint32_t address = Allocate(BlockType::kRecord, size);
    std::string block = EncodeRecord(record, address);
    Put(address, block.data(), block.size());
    Insert(record, address);
}

void FileBuilder::Finish() {
    for (size_t i = 0; i < indexes_.size(); ++i) {
        IndexEntries& entries = *entries_[i];
        if (entries.values.empty())
            continue;
        std::vector<uint32_t> values = entries.values;
        if (i > 0) {
            // Sort by the index key; records with equal keys stay in id order.
            std::vector<size_t> order(values.size());
            for (size_t k = 0; k < order.size(); ++k)
                order[k] = k;
            const IndexDefinition& definition = indexes_[i].definition;
            std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                return CompareKeys(definition, entries.keys[a], entries.keys[b]) < 0;
            });
            for (size_t k = 0; k < order.size(); ++k)
                values[k] = entries.values[order[k]];
        }
        bool first = true;
        BuiltTree tree = BuildBalancedTree(values, [&] {
            if (first) {
                first = false;
                return entries.first_node;
            }
            return Allocate(BlockType::kTreeNode, kTreeNodeSize);
        });
        for (const TreeNode& node : tree.nodes) {
            std::string bytes = EncodeTreeNode(node);
            Put(node.address, bytes.data(), bytes.size());
        }
        header_.Set(hdr::kRoot + 4 * static_cast<uint32_t>(i), tree.root);
        header_.Set(hdr::kRecordCount + 4 * static_cast<uint32_t>(i),
                    static_cast<uint32_t>(values.size()));
    }
    while (!segments_.empty())
        FlushSegment(segments_.begin()->first);
    file_->WriteAt(0, header_.bytes().data(), kHeaderSize);
    file_->WriteAt(kHeaderSize, user_data_.data(), user_data_.size());
    file_->Truncate(header_.RequiredFileSize());
    file_->Sync();
    file_.reset();
    fs_->Rename(temp_path_, path_);
    fs_->SyncDirectory(path_.parent_path());
    finished_ = true;
}

}  // namespace dbx
