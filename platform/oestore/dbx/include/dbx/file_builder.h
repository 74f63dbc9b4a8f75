// Writes a new file from scratch, laid out the way a freshly compacted Outlook Express file is:
// filter strings first, then for each record in id order its message text (stream blocks), the
// record, and at the first insert into an index that index's root node; the remaining tree nodes
// follow at the end. Indexes of more than 51 records become balanced multi-level trees. The file
// is written under a temporary name, flushed and renamed into place, so a crash never leaves a
// half-written file under the real name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/database.h"
#include "dbx/file_system.h"
#include "dbx/header.h"
#include "dbx/record.h"

namespace dbx {

// Supplies message text in pieces: fills up to `length` bytes, returns how many (0 at the end).
using TextSource = std::function<size_t(char* out, size_t length)>;
TextSource TextFromString(std::string_view text);

class FileBuilder {
  public:
    struct Options {
        FileSystem* fs = nullptr;
        // At least this id counts as handed out (a compacted file keeps its counter).
        uint32_t last_id = 1;
        // Index definitions and filters to use instead of the schema's (a compaction keeps the
        // file's own).
        const std::vector<IndexInfo>* indexes = nullptr;
        // The permission bits, owner and group the new file gets (a compaction keeps the old
        // file's); without, a new file's.
        std::optional<FileAccess> access;
    };

    FileBuilder(std::filesystem::path path, TableKind kind, std::string user_data,
                const Options& options);
    ~FileBuilder();
    FileBuilder(const FileBuilder&) = delete;
    FileBuilder& operator=(const FileBuilder&) = delete;

    // Adds a message with its text; records come in ascending id order. The STREAM column is
    // set to the new chain (or removed for an empty text); every other column stays as given.
    void AddMessage(Record record, const TextSource& text);
    // Adds a record without text (folder records), in ascending id order.
    void AddRecord(const Record& record);
    // Builds the indexes, writes the header and puts the file in place.
    void Finish();

  private:
    struct IndexEntries;
    uint32_t Allocate(BlockType type, uint32_t size);
    void Put(uint64_t address, const void* bytes, size_t length);
    void FlushSegment(uint32_t start);
    void FlushComplete();
    void Insert(const Record& record, uint32_t address);
    uint32_t WriteText(const TextSource& text);

    std::filesystem::path path_;
    std::filesystem::path temp_path_;
    FileSystem* fs_;
    TableKind kind_;
    std::string user_data_;
    std::unique_ptr<File> file_;
    FileHeader header_;
    std::vector<IndexInfo> indexes_;
    std::vector<std::unique_ptr<IndexEntries>> entries_;
    std::map<uint32_t, std::vector<uint8_t>> segments_;  // buffered segments by start address
    uint32_t open_segment_[3] = {0, 0, 0};
    std::vector<uint32_t> complete_;  // segments to write out before the next record
    bool have_last_id_ = false;
    int64_t last_id_ = 0;
    bool finished_ = false;
};

}  // namespace dbx
