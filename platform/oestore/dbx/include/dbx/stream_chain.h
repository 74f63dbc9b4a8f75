// Message text: a chain of 0x210-byte stream blocks (marker, capacity 0x200, bytes used, next
// block, 0x200 bytes of text). The reader checks every block and stops with an error naming the
// block on a bad marker, capacity or length, a pointer out of the file, or a loop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "dbx/error.h"
#include "dbx/file_reader.h"
#include "dbx/format.h"

namespace dbx {

class StreamReader {
  public:
    StreamReader(FileReader& reader, uint32_t first_block);

    // Reads up to `length` bytes of text; returns how many, 0 at the end. Throws kCorrupt.
    size_t Read(char* out, size_t length);
    uint64_t position() const { return position_; }

  private:
    bool LoadNext();

    FileReader& reader_;
    uint32_t next_;
    uint32_t current_ = 0;
    uint64_t blocks_read_ = 0;
    uint64_t block_limit_;
    bool ascending_ = true;  // every pointer so far went forward: no loop is possible yet
    std::vector<uint32_t> visited_;
    std::unordered_set<uint32_t> visited_set_;
    uint8_t block_[kStreamBlockSize];
    uint32_t used_ = 0;
    uint32_t offset_ = 0;
    uint64_t position_ = 0;
};

// The whole text of the chain at `first_block`. With `issues`, damage ends the text early and is
// recorded there (the readable part is returned); without, damage throws. `expected_length`, when
// known (a record's size column), lets the text be allocated once; it is only a hint.
std::string ReadStream(FileReader& reader, uint32_t first_block, IssueList* issues = nullptr,
                       uint64_t expected_length = 0);

// One block at `address` holding `payload` (at most 0x200 bytes) and pointing at `next`.
void EncodeStreamBlock(uint32_t address, std::string_view payload, uint32_t next, uint8_t* out);

// Number of blocks a text of `length` bytes takes (an empty text has no chain).
inline uint64_t StreamBlockCount(uint64_t length) {
    return (length + kStreamPayloadSize - 1) / kStreamPayloadSize;
}

}  // namespace dbx
