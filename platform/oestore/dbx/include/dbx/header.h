// The 0x24BC-byte file header. It is kept as raw bytes, so fields this library does not know
// survive a rewrite; the named accessors cover every field whose meaning is known.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "dbx/format.h"

namespace dbx {

// Byte offsets of header fields.
namespace hdr {
inline constexpr uint32_t kMagic = 0x00;
inline constexpr uint32_t kClsid = 0x04;
inline constexpr uint32_t kSchemaVersion = 0x14;
inline constexpr uint32_t kEngineVersion = 0x18;
inline constexpr uint32_t kUserDataSize = 0x1C;
inline constexpr uint32_t kStreamFreeHead = 0x48;
inline constexpr uint32_t kTreeFreeHead = 0x4C;
inline constexpr uint32_t kAllocatedBytes = 0x54;  // every byte ever handed out in segments
inline constexpr uint32_t kFreeBytes = 0x58;       // bytes on free lists
inline constexpr uint32_t kLastId = 0x5C;          // the id generator
inline constexpr uint32_t kAlwaysOne = 0x64;
inline constexpr uint32_t kLogHead = 0x6C;  // transaction log, left empty by writers
inline constexpr uint32_t kLogTail = 0x70;
inline constexpr uint32_t kAllocationEnd = 0x7C;  // where the next segment goes
inline constexpr uint32_t kIndexCount = 0x80;
inline constexpr uint32_t kFilterAddress = 0x84;       // + 4 * index
inline constexpr uint32_t kRecordCount = 0xC4;         // + 4 * index
inline constexpr uint32_t kRoot = 0xE4;                // + 4 * index
inline constexpr uint32_t kIndexOrdinal = 0x104;       // + 4 * index; holds the index number
inline constexpr uint32_t kLiveBytes = 0x27C;          // + 4 * block type
inline constexpr uint32_t kVariableFreeHeads = 0x29C;  // + block size
inline constexpr uint32_t kIndexDefinitions = 0x22BC;
inline constexpr uint32_t kIndexDefinitionSize = 0x32;
inline constexpr uint32_t kConstant68 = 0x244C;
}  // namespace hdr

// The three kinds of segment in the allocation area.
enum class SegmentKind { kVariable, kTree, kStream };

// Kinds of block whose live bytes the header counts (index into hdr::kLiveBytes).
enum class BlockType : int {
    kRecord = 0,
    kFilter = 1,
    kTransaction = 3,
    kTreeNode = 4,
    kStreamBlock = 5,
};
inline constexpr int kBlockTypeCount = 6;

// The largest variable block with a free list in the header: lists of blocks up to this size
// fit between 0x29C and the index definitions.
inline constexpr uint32_t kMaxListedBlockSize =
    hdr::kIndexDefinitions - 4 - hdr::kVariableFreeHeads;

struct IndexKey {
    uint8_t column = 0;
    uint8_t compare = 0;  // 0x01 ignore case, 0x02 descending, 0x04 compare as ANSI text
    uint32_t bits = 0;
    bool operator==(const IndexKey&) const = default;
};

inline constexpr uint8_t kCompareIgnoreCase = 0x01;
inline constexpr uint8_t kCompareDescending = 0x02;
inline constexpr uint8_t kCompareAnsi = 0x04;

struct IndexDefinition {
    uint8_t flags = 0;  // bit 0: descending
    std::vector<IndexKey> keys;
    bool operator==(const IndexDefinition&) const = default;
};

class FileHeader {
  public:
    FileHeader() { bytes_.fill(0); }
    explicit FileHeader(std::span<const uint8_t> bytes);  // copies the first kHeaderSize bytes

    std::span<const uint8_t, kHeaderSize> bytes() const { return bytes_; }
    uint32_t Get(uint32_t offset) const;
    void Set(uint32_t offset, uint32_t value);
    void Add(uint32_t offset, int64_t delta) {
        Set(offset, static_cast<uint32_t>(Get(offset) + delta));
    }

    TableKind kind() const { return ClassifyClsid(bytes_.data() + hdr::kClsid); }
    void SetKind(TableKind kind);
    uint32_t user_data_size() const { return Get(hdr::kUserDataSize); }
    // Where the first segment starts: right after the header and the user data.
    uint64_t data_start() const { return uint64_t{kHeaderSize} + user_data_size(); }

    // Segment bookkeeping: the last segment of a kind, its size field and the bytes used in it.
    uint32_t last_segment(SegmentKind kind) const { return Get(SegmentField(kind)); }
    uint32_t segment_size_field(SegmentKind kind) const { return Get(SegmentField(kind) + 4); }
    uint32_t segment_used(SegmentKind kind) const { return Get(SegmentField(kind) + 8); }
    void SetSegment(SegmentKind kind, uint32_t address, uint32_t used);
    void SetSegmentUsed(SegmentKind kind, uint32_t used) { Set(SegmentField(kind) + 8, used); }
    static uint32_t SegmentField(SegmentKind kind);
    static uint32_t SegmentSize(SegmentKind kind);

    uint32_t allocation_end() const { return Get(hdr::kAllocationEnd); }
    uint32_t last_id() const { return Get(hdr::kLastId); }
    uint32_t index_count() const { return Get(hdr::kIndexCount); }
    uint32_t filter_address(int index) const { return Get(hdr::kFilterAddress + 4 * index); }
    uint32_t record_count(int index) const { return Get(hdr::kRecordCount + 4 * index); }
    uint32_t root(int index) const { return Get(hdr::kRoot + 4 * index); }
    uint32_t live_bytes(BlockType type) const {
        return Get(hdr::kLiveBytes + 4 * static_cast<int>(type));
    }
    void AddLiveBytes(BlockType type, int64_t delta) {
        Add(hdr::kLiveBytes + 4 * static_cast<int>(type), delta);
    }
    // The head of the free list for variable blocks of `block_size` bytes (0 when the size has
    // no list).
    static uint32_t VariableFreeHeadOffset(uint32_t block_size);

    IndexDefinition index_definition(int index) const;
    void SetIndexDefinition(int index, const IndexDefinition& definition);

    // The smallest file length that holds the allocation area: data start plus whole 64 KiB
    // steps covering the allocation end (or the data start alone when nothing is allocated).
    uint64_t RequiredFileSize() const;

    bool operator==(const FileHeader&) const = default;

  private:
    std::array<uint8_t, kHeaderSize> bytes_;
};

}  // namespace dbx
