// Space management in the allocation area, as the database engine does it: blocks of the exact
// size are taken from the matching free list when one is listed, otherwise handed out in order
// from the last segment of their kind, and a new segment is started at the allocation end when
// the block does not fit. Every allocation and free keeps the header's byte counters exact.
#pragma once

#include <cstdint>
#include <functional>

#include "dbx/header.h"

namespace dbx {

SegmentKind SegmentOf(BlockType type);

class SpaceAllocator {
  public:
    // Reads the first 0x14 bytes of a block on a free list, for reuse; an empty function means
    // free lists are never used (a new file has none).
    using FreeBlockReader = std::function<bool(uint32_t address, uint8_t* bytes)>;

    SpaceAllocator(FileHeader& header, FreeBlockReader read_free);

    // Throws kFull when a new segment would take the file past 2 GiB.
    uint32_t Allocate(BlockType type, uint32_t size);
    // Puts the block on the free list of its size and sets `next_free` to the block that list
    // held before. False when no list exists for the size: the block then stays counted as live.
    bool Free(uint32_t address, uint32_t size, BlockType type, uint32_t& next_free);

    // Where a free list of blocks of this type and size has its head (0: none).
    static uint32_t FreeHeadOffset(BlockType type, uint32_t size);

  private:
    bool TakeFromFreeList(BlockType type, uint32_t size, uint32_t& address);

    FileHeader& header_;
    FreeBlockReader read_free_;
};

}  // namespace dbx
