#include "dbx/header.h"

#include <algorithm>

#include "bytes.h"

namespace dbx {

FileHeader::FileHeader(std::span<const uint8_t> bytes) {
    bytes_.fill(0);
    std::copy_n(bytes.data(), std::min<size_t>(bytes.size(), kHeaderSize), bytes_.begin());
}

uint32_t FileHeader::Get(uint32_t offset) const {
    return LoadU32(bytes_.data() + offset);
}

void FileHeader::Set(uint32_t offset, uint32_t value) {
    StoreU32(bytes_.data() + offset, value);
}

void FileHeader::SetKind(TableKind kind) {
    Clsid clsid = ClsidOf(kind);
    std::copy(clsid.begin(), clsid.end(), bytes_.begin() + hdr::kClsid);
}

uint32_t FileHeader::SegmentField(SegmentKind kind) {
    switch (kind) {
        case SegmentKind::kVariable:
            return 0x24;
        case SegmentKind::kTree:
            return 0x30;
        case SegmentKind::kStream:
            return 0x3C;
    }
    return 0x24;
}

uint32_t FileHeader::SegmentSize(SegmentKind kind) {
    switch (kind) {
        case SegmentKind::kVariable:
            return kVariableSegmentSize;
        case SegmentKind::kTree:
            return kTreeSegmentSize;
        case SegmentKind::kStream:
            return kStreamSegmentSize;
    }
    return kVariableSegmentSize;
}

void FileHeader::SetSegment(SegmentKind kind, uint32_t address, uint32_t used) {
    Set(SegmentField(kind), address);
    Set(SegmentField(kind) + 4, SegmentSize(kind));
    Set(SegmentField(kind) + 8, used);
}

uint32_t FileHeader::VariableFreeHeadOffset(uint32_t block_size) {
    if (block_size < kFreeBlockHeaderSize || block_size % 4 != 0 ||
        block_size > kMaxListedBlockSize) {
        return 0;
    }
    return hdr::kVariableFreeHeads + block_size;
}

IndexDefinition FileHeader::index_definition(int index) const {
    const uint8_t* p = bytes_.data() + hdr::kIndexDefinitions + hdr::kIndexDefinitionSize * index;
    IndexDefinition definition;
    definition.flags = p[1];
    int count = std::min<int>(p[0], kMaxIndexKeys);
    for (int k = 0; k < count; ++k) {
        const uint8_t* key = p + 2 + 6 * k;
        definition.keys.push_back({key[0], key[1], LoadU32(key + 2)});
    }
    return definition;
}

void FileHeader::SetIndexDefinition(int index, const IndexDefinition& definition) {
    uint8_t* p = bytes_.data() + hdr::kIndexDefinitions + hdr::kIndexDefinitionSize * index;
    std::fill_n(p, hdr::kIndexDefinitionSize, 0);
    p[0] = static_cast<uint8_t>(definition.keys.size());
    p[1] = definition.flags;
    for (size_t k = 0; k < definition.keys.size() && k < kMaxIndexKeys; ++k) {
        uint8_t* key = p + 2 + 6 * k;
        key[0] = definition.keys[k].column;
        key[1] = definition.keys[k].compare;
        StoreU32(key + 2, definition.keys[k].bits);
    }
}

uint64_t FileHeader::RequiredFileSize() const {
    uint64_t start = data_start();
    uint64_t end = allocation_end();
    if (end <= start)
        return start;
    uint64_t steps = (end - start + kFileGrowStep - 1) / kFileGrowStep;
    return start + steps * kFileGrowStep;
}

}  // namespace dbx
