// Positioned reads of a .dbx file through a small cache of 64 KiB blocks, so walking records and
// tree nodes costs few system calls without reading the whole file. An overlay of patches lets
// a read-only opener see a committed change that is still waiting in the journal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/file_system.h"

namespace dbx {

struct Patch {
    uint64_t offset = 0;
    std::string bytes;
};

class FileReader {
  public:
    explicit FileReader(File& file);

    uint64_t size() const { return size_; }
    // Copies `length` bytes at `offset` into `out`; false (and nothing copied) when the range
    // runs past the end of the file.
    bool Read(uint64_t offset, void* out, size_t length);
    // Forgets cached bytes and re-reads the file size, after the file was written.
    void Reset();
    // Reads see these bytes on top of the file, and a file of `size` bytes.
    void SetOverlay(std::vector<Patch> patches, uint64_t size);

  private:
    struct Block {
        uint64_t index = UINT64_MAX;
        uint64_t last_use = 0;
        std::vector<uint8_t> bytes;
    };
    void ReadFromFile(uint64_t offset, uint8_t* out, size_t length);
    const Block& CachedBlock(uint64_t index);

    File& file_;
    uint64_t size_ = 0;
    uint64_t physical_size_ = 0;
    uint64_t clock_ = 0;
    std::vector<Block> blocks_;
    std::vector<Patch> overlay_;
};

}  // namespace dbx
