#include "dbx/file_reader.h"

#include <algorithm>
#include <cstring>

namespace dbx {

namespace {
constexpr uint64_t kBlockSize = 0x10000;
constexpr size_t kBlockCount = 16;
}  // namespace

FileReader::FileReader(File& file) : file_(file), blocks_(kBlockCount) {
    Reset();
}

void FileReader::Reset() {
    physical_size_ = file_.Size();
    size_ = physical_size_;
    overlay_.clear();
    for (Block& block : blocks_)
        block.index = UINT64_MAX;
}

void FileReader::SetOverlay(std::vector<Patch> patches, uint64_t size) {
    overlay_ = std::move(patches);
    size_ = size;
}

const FileReader::Block& FileReader::CachedBlock(uint64_t index) {
    Block* victim = &blocks_[0];
    for (Block& block : blocks_) {
        if (block.index == index) {
            block.last_use = ++clock_;
            return block;
        }
        if (block.last_use < victim->last_use)
            victim = &block;
    }
    uint64_t start = index * kBlockSize;
    size_t length = static_cast<size_t>(std::min(kBlockSize, physical_size_ - start));
    victim->bytes.resize(length);
    size_t got = file_.ReadAt(start, victim->bytes.data(), length);
    victim->bytes.resize(got);
    victim->index = index;
    victim->last_use = ++clock_;
    return *victim;
}

void FileReader::ReadFromFile(uint64_t offset, uint8_t* out, size_t length) {
    // Bytes past the physical end (a pending overlay may lengthen the file) read as zero.
    if (offset + length > physical_size_) {
        size_t inside = offset < physical_size_ ? static_cast<size_t>(physical_size_ - offset) : 0;
        std::memset(out + inside, 0, length - inside);
        length = inside;
    }
    if (length >= kBlockSize) {
        size_t got = file_.ReadAt(offset, out, length);
        std::memset(out + got, 0, length - got);
        return;
    }
    while (length > 0) {
        const Block& block = CachedBlock(offset / kBlockSize);
        size_t within = static_cast<size_t>(offset % kBlockSize);
        size_t take = std::min(length, kBlockSize - within);
        size_t available = within < block.bytes.size() ? block.bytes.size() - within : 0;
        size_t copy = std::min(take, available);
        std::memcpy(out, block.bytes.data() + within, copy);
        std::memset(out + copy, 0, take - copy);
        out += take;
        offset += take;
        length -= take;
    }
}

bool FileReader::Read(uint64_t offset, void* out, size_t length) {
    if (offset > size_ || length > size_ - offset)
        return false;
    auto* bytes = static_cast<uint8_t*>(out);
    ReadFromFile(offset, bytes, length);
    for (const Patch& patch : overlay_) {
        uint64_t begin = std::max(offset, patch.offset);
        uint64_t end = std::min(offset + length, patch.offset + patch.bytes.size());
        if (begin >= end)
            continue;
        std::memcpy(bytes + (begin - offset), patch.bytes.data() + (begin - patch.offset),
                    static_cast<size_t>(end - begin));
    }
    return true;
}

}  // namespace dbx
