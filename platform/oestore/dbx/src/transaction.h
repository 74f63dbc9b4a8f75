// One atomic change to an open file. Everything the change writes is collected in memory; Commit
// then writes new objects into space the file does not use yet (directly), and everything that
// overwrites bytes the current state uses (header, tree nodes, freed blocks, reused free blocks)
// through the redo journal (journal.h). A crash at any point leaves the old or the new state.
//
// Pure copy-on-write of index paths is not possible in this format: tree nodes point at their
// parents, so moving a node would mean rewriting all of its children, and theirs. The journal
// gives the same guarantee while touching only the nodes a change really modifies, so appending
// to a large file writes a few kilobytes whatever its size.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "btree.h"
#include "dbx/database.h"
#include "index_key.h"
#include "space.h"

namespace dbx {

class Transaction {
  public:
    // Locks the file and re-reads it when another process changed it. Throws kInvalidArgument
    // when the database was opened read-only.
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Database& db() { return db_; }
    FileHeader& header() { return header_; }

    // File bytes with this change's writes on top.
    bool Read(uint64_t offset, void* out, size_t length);
    Record ReadRecord(uint32_t address);

    // Message text: a new chain (0 for an empty text), or freeing one (first to last block).
    uint32_t WriteText(std::string_view text);
    void FreeText(uint32_t first_block);

    // Records together with every index that holds them.
    uint32_t InsertRecord(const Record& record);
    void DeleteRecord(uint32_t address, const Record& record);
    // Writes `updated` as a new copy (version + 1), points the indexes at it, frees the old one.
    uint32_t ReplaceRecord(uint32_t address, const Record& old_record, Record updated);
    // The record whose key in `index` equals the key of `probe`.
    std::optional<uint32_t> FindRecord(int index, const Record& probe);

    // Makes the change durable; the transaction cannot be used afterwards.
    void Commit();

  private:
    class Nodes;
    struct PendingFree {
        uint32_t address;
        uint32_t size;
        BlockType type;
    };

    uint32_t Allocate(BlockType type, uint32_t size);
    uint32_t AllocateRecord(const Record& record);
    void Free(uint32_t address, uint32_t size, BlockType type);
    void Write(uint64_t address, std::string_view bytes);
    uint32_t BlockSizeAt(uint32_t address);
    const IndexKeyValue& KeyOf(int index, uint32_t address);
    KeyCompare CompareWith(int index, const IndexKeyValue& key);
    std::optional<TreePath> Locate(int index, const IndexKeyValue& key, uint32_t address,
                                   bool must_exist);
    // The entries of the engine's change log name records as they were; a change empties it.
    void EmptyNotificationLog();
    void ApplyFrees();

    Database& db_;
    Database::ChangeLock lock_;
    FileHeader header_;
    SpaceAllocator allocator_;
    std::unique_ptr<Nodes> nodes_;
    std::vector<TreeRoot> roots_;
    std::map<uint64_t, std::string> writes_;  // disjoint ranges by start offset
    std::vector<PendingFree> frees_;
    std::unordered_map<uint32_t, Record> new_records_;
    std::vector<std::unordered_map<uint32_t, IndexKeyValue>> keys_;
    bool committed_ = false;
};

}  // namespace dbx
