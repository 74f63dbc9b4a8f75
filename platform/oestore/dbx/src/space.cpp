#include "space.h"

#include "bytes.h"
#include "dbx/error.h"

namespace dbx {

SegmentKind SegmentOf(BlockType type) {
    switch (type) {
        case BlockType::kTreeNode:
            return SegmentKind::kTree;
        case BlockType::kStreamBlock:
            return SegmentKind::kStream;
        default:
            return SegmentKind::kVariable;
    }
}

SpaceAllocator::SpaceAllocator(FileHeader& header, FreeBlockReader read_free)
    : header_(header), read_free_(std::move(read_free)) {}

uint32_t SpaceAllocator::FreeHeadOffset(BlockType type, uint32_t size) {
    switch (type) {
        case BlockType::kStreamBlock:
            return size == kStreamBlockSize ? hdr::kStreamFreeHead : 0;
        case BlockType::kTreeNode:
            return size == kTreeNodeSize ? hdr::kTreeFreeHead : 0;
        default:
            return FileHeader::VariableFreeHeadOffset(size);
    }
}

bool SpaceAllocator::TakeFromFreeList(BlockType type, uint32_t size, uint32_t& address) {
    uint32_t head_offset = FreeHeadOffset(type, size);
    if (!read_free_ || head_offset == 0)
        return false;
    uint32_t head = header_.Get(head_offset);
    if (head == 0)
        return false;
    uint8_t bytes[kFreeBlockHeaderSize];
    if (head % 4 != 0 || !read_free_(head, bytes))
        return false;
    uint32_t next = LoadU32(bytes + 0x10);
    // Reuse only a block that still looks exactly like a free block of this size.
    if (LoadU32(bytes) != head || LoadU32(bytes + 4) != size - kFreeBlockHeaderSize ||
        LoadU32(bytes + 8) != size || next % 4 != 0 || header_.Get(hdr::kFreeBytes) < size) {
        return false;
    }
    header_.Set(head_offset, next);
    header_.Add(hdr::kFreeBytes, -int64_t{size});
    header_.AddLiveBytes(type, size);
    address = head;
    return true;
}

uint32_t SpaceAllocator::Allocate(BlockType type, uint32_t size) {
    uint32_t address = 0;
    if (TakeFromFreeList(type, size, address))
        return address;
    SegmentKind kind = SegmentOf(type);
    uint32_t segment_size = FileHeader::SegmentSize(kind);
    if (size > segment_size) {
        throw Error(ErrorCode::kInvalidArgument,
                    "a block of " + Hex(size) + " bytes does not fit in a segment");
    }
    uint32_t last = header_.last_segment(kind);
    uint32_t used = header_.segment_used(kind);
    if (last != 0 && used <= segment_size && size <= segment_size - used) {
        address = last + used;
        header_.SetSegmentUsed(kind, used + size);
    } else {
        address = header_.allocation_end();
        if (uint64_t{address} + segment_size > kMaxFileSize) {
            throw Error(ErrorCode::kFull,
                        "the file would grow past 2 GiB, the most a .dbx file can address");
        }
        header_.SetSegment(kind, address, size);
        header_.Set(hdr::kAllocationEnd, address + segment_size);
    }
    header_.Add(hdr::kAllocatedBytes, size);
    header_.AddLiveBytes(type, size);
    return address;
}

bool SpaceAllocator::Free(uint32_t address, uint32_t size, BlockType type, uint32_t& next_free) {
    uint32_t head_offset = FreeHeadOffset(type, size);
    if (head_offset == 0)
        return false;
    next_free = header_.Get(head_offset);
    header_.Set(head_offset, address);
    header_.Add(hdr::kFreeBytes, size);
    header_.AddLiveBytes(type, -int64_t{size});
    return true;
}

}  // namespace dbx
