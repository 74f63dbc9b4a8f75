#include "dbx/database.h"

#include <unordered_map>

#include "btree.h"
#include "bytes.h"
#include "index_key.h"
#include "journal.h"

namespace dbx {

namespace {

// Nodes for read-only searches: loaded from the file, never changed.
class FileNodes : public NodeStore {
  public:
    explicit FileNodes(Database& db) : db_(db) {}
    TreeNode& Load(uint32_t address) override {
        auto it = nodes_.find(address);
        if (it == nodes_.end())
            it = nodes_.emplace(address, db_.ReadNode(address)).first;
        return it->second;
    }
    void Changed(uint32_t) override { throw std::logic_error("read-only index search"); }
    TreeNode& Create() override { throw std::logic_error("read-only index search"); }
    void Release(uint32_t) override { throw std::logic_error("read-only index search"); }

  private:
    Database& db_;
    std::unordered_map<uint32_t, TreeNode> nodes_;
};

// Unlocks the file when leaving a scope.
struct LockGuard {
    File& file;
    explicit LockGuard(File& f) : file(f) { file.Lock(); }
    ~LockGuard() { file.Unlock(); }
};

}  // namespace

std::string ReadFilterString(FileReader& reader, uint32_t address) {
    uint8_t head[8];
    if (address % 4 != 0 || !reader.Read(address, head, sizeof head)) {
        ThrowCorrupt("filter string", address, "the address lies outside the file");
    }
    if (LoadU32(head) != address) {
        ThrowCorrupt("filter string", address,
                     "marker " + Hex(LoadU32(head)) + " does not match its address");
    }
    uint32_t length = LoadU32(head + 4);
    if (length > kVariableSegmentSize) {
        ThrowCorrupt("filter string", address,
                     "length " + Hex(length) + " is larger than a segment");
    }
    std::string text(length, '\0');
    if (!reader.Read(address + 8, text.data(), length)) {
        ThrowCorrupt("filter string", address, "the text runs past the end of the file");
    }
    return text.substr(0, text.find('\0'));
}

std::unique_ptr<Database> Database::Open(const std::filesystem::path& path,
                                         const OpenOptions& options) {
    std::unique_ptr<Database> db(new Database);
    db->fs_ = options.fs ? options.fs : &SystemFileSystem();
    // Through a symbolic link the file itself is meant: its journal lies beside it, and a
    // compaction replaces it, not the link.
    db->path_ = db->fs_->Resolve(path);
    db->writable_ = options.writable;
    db->OpenFile();
    db->Load();
    return db;
}

Database::~Database() = default;

void Database::OpenFile() {
    reader_.reset();
    file_ = fs_->Open(path_, writable_ ? OpenMode::kReadWrite : OpenMode::kRead);
    std::optional<Journal> journal;
    if (writable_) {
        LockGuard lock(*file_);
        RecoverJournal(*fs_, path_, *file_, true);
    } else {
        journal = RecoverJournal(*fs_, path_, *file_, false);
    }
    reader_ = std::make_unique<FileReader>(*file_);
    if (journal)
        reader_->SetOverlay(JournalPatches(*journal), journal->target_size);
}

void Database::Load() {
    open_issues_ = {};
    uint8_t bytes[kHeaderSize];
    if (!reader_->Read(0, bytes, kHeaderSize)) {
        ThrowCorrupt("file header", 0,
                     "the file is " + std::to_string(reader_->size()) +
                         " bytes long, shorter than the 0x24BC-byte header");
    }
    header_ = FileHeader(std::span<const uint8_t>(bytes, kHeaderSize));
    if (header_.Get(hdr::kMagic) != kMagic) {
        ThrowCorrupt(
            "file header", 0,
            "magic " + Hex(header_.Get(hdr::kMagic)) + " is not the DirectDB signature 0xFE12ADCF");
    }
    kind_ = header_.kind();
    if (kind_ != TableKind::kMessages && kind_ != TableKind::kFolders) {
        throw Error(ErrorCode::kUnsupported,
                    Issue{"file header", hdr::kClsid,
                          "the file holds the " + DescribeTableKind(kind_) +
                              "; only message tables and Folders.dbx are supported"});
    }
    schema_ = &SchemaFor(kind_);
    if (header_.user_data_size() != schema_->user_data_size) {
        ThrowCorrupt("file header", hdr::kUserDataSize,
                     "user data size " + Hex(header_.user_data_size()) + " where a " +
                         DescribeTableKind(kind_) + " has " + Hex(schema_->user_data_size));
    }
    user_data_.assign(header_.user_data_size(), '\0');
    if (!reader_->Read(kHeaderSize, user_data_.data(), user_data_.size())) {
        ThrowCorrupt("user data", kHeaderSize, "the file ends inside the user data");
    }
    uint32_t count = header_.index_count();
    if (count < 1 || count > kMaxIndexes) {
        ThrowCorrupt("file header", hdr::kIndexCount,
                     "index count " + std::to_string(count) + " is not within 1..8");
    }
    indexes_.assign(count, IndexInfo{});
    for (uint32_t i = 0; i < count; ++i) {
        IndexInfo& index = indexes_[i];
        index.definition = header_.index_definition(static_cast<int>(i));
        if (uint32_t address = header_.filter_address(static_cast<int>(i))) {
            try {
                index.filter_text = ReadFilterString(*reader_, address);
                index.filter = ParseIndexFilter(index.filter_text);
            } catch (const Error& error) {
                index.filter = IndexFilter::kUnknown;
                if (error.issue())
                    open_issues_.issues.push_back(*error.issue());
            }
        }
    }
    const IndexDefinition& primary = indexes_[0].definition;
    if (primary.keys.size() != 1 || primary.keys[0].column != 0) {
        throw Error(ErrorCode::kUnsupported, Issue{"file header", hdr::kIndexDefinitions,
                                                   "index 0 is not sorted by the id column"});
    }
}

Record Database::ReadRecord(uint32_t address) {
    uint8_t head[kRecordHeaderSize];
    if (address % 4 != 0 || !reader_->Read(address, head, sizeof head)) {
        ThrowCorrupt("record", address, "the address lies outside the file");
    }
    uint32_t body = RecordBodyLength(head, address);
    std::vector<uint8_t> block(kRecordHeaderSize + body);
    if (!reader_->Read(address, block.data(), block.size())) {
        ThrowCorrupt("record", address,
                     "body length " + Hex(body) + " runs past the end of the file");
    }
    return DecodeRecord(block, address, *schema_);
}

TreeNode Database::ReadNode(uint32_t address) {
    uint8_t bytes[kTreeNodeSize];
    if (address % 4 != 0 || !reader_->Read(address, bytes, kTreeNodeSize)) {
        ThrowCorrupt("tree node", address, "the address lies outside the file");
    }
    return DecodeTreeNode(std::span<const uint8_t>(bytes, kTreeNodeSize), address, reader_->size());
}

std::optional<uint32_t> Database::FindRecord(int index, const Record& probe) {
    const IndexDefinition& definition = indexes_[static_cast<size_t>(index)].definition;
    IndexKeyValue key = ExtractKey(definition, *schema_, probe);
    FileNodes nodes(*this);
    TreeRoot tree{header_.root(index), header_.record_count(index)};
    return TreeLookup(nodes, tree, [&](uint32_t value) {
        return CompareKeys(definition, key, ExtractKey(definition, *schema_, ReadRecord(value)));
    });
}

Database::ChangeLock::ChangeLock(Database& db) : db_(db) {
    if (!db.writable())
        throw Error(ErrorCode::kInvalidArgument, db.path().string() + " is open for reading only");
    for (;;) {
        db.file_->Lock();
        if (!db.ChangedOnDisk())
            return;
        db.file_->Unlock();
        db.Reload();
    }
}

bool Database::ChangedOnDisk() {
    if (fs_->Exists(JournalPath(path_)))
        return true;
    std::unique_ptr<File> now;
    try {
        now = fs_->Open(path_, OpenMode::kRead);
    } catch (const Error&) {
        return true;
    }
    if (!(now->Id() == file_->Id()))
        return true;
    uint8_t bytes[kHeaderSize];
    if (now->ReadAt(0, bytes, kHeaderSize) != kHeaderSize)
        return true;
    return !std::equal(bytes, bytes + kHeaderSize, header_.bytes().begin());
}

void Database::Reload() {
    OpenFile();
    Load();
}

}  // namespace dbx
