#include "dbx/stream_chain.h"

#include <algorithm>
#include <cstring>

#include "bytes.h"

namespace dbx {

StreamReader::StreamReader(FileReader& reader, uint32_t first_block)
    : reader_(reader), next_(first_block), block_limit_(reader.size() / kStreamBlockSize) {}

bool StreamReader::LoadNext() {
    if (next_ == 0)
        return false;
    uint32_t address = next_;
    const char* structure = "stream block";
    if (address % 4 != 0 || !reader_.Read(address, block_, kStreamBlockSize)) {
        if (current_ == 0)
            ThrowCorrupt(structure, address, "the chain starts outside the file");
        ThrowCorrupt(structure, current_, "next block " + Hex(address) + " lies outside the file");
    }
    if (address <= current_ && ascending_) {
        ascending_ = false;
        visited_set_.insert(visited_.begin(), visited_.end());
    }
    if (!ascending_ && !visited_set_.insert(address).second) {
        ThrowCorrupt(structure, current_,
                     "next block " + Hex(address) + " loops back in the chain");
    }
    if (ascending_)
        visited_.push_back(address);
    if (++blocks_read_ > block_limit_) {
        ThrowCorrupt(structure, address, "the chain has more blocks than the file can hold");
    }
    uint32_t marker = LoadU32(block_);
    uint32_t capacity = LoadU32(block_ + 4);
    uint32_t used = LoadU32(block_ + 8);
    if (marker != address) {
        ThrowCorrupt(structure, address, "marker " + Hex(marker) + " does not match its address");
    }
    if (capacity != kStreamPayloadSize) {
        ThrowCorrupt(structure, address, "capacity " + Hex(capacity) + " is not 0x200");
    }
    if (used == 0 || used > kStreamPayloadSize) {
        ThrowCorrupt(structure, address, "length " + Hex(used) + " is not within 1..0x200");
    }
    current_ = address;
    next_ = LoadU32(block_ + 12);
    used_ = used;
    offset_ = 0;
    return true;
}

size_t StreamReader::Read(char* out, size_t length) {
    size_t done = 0;
    while (done < length) {
        if (offset_ == used_ && !LoadNext())
            break;
        size_t take = std::min<size_t>(length - done, used_ - offset_);
        std::memcpy(out + done, block_ + kStreamBlockHeaderSize + offset_, take);
        offset_ += static_cast<uint32_t>(take);
        done += take;
        position_ += take;
    }
    return done;
}

std::string ReadStream(FileReader& reader, uint32_t first_block, IssueList* issues,
                       uint64_t expected_length) {
    StreamReader stream(reader, first_block);
    std::string text;
    // No text is longer than the file that holds it, whatever a damaged record says.
    text.reserve(static_cast<size_t>(std::min(expected_length, reader.size())));
    char buffer[8 * kStreamPayloadSize];
    uint64_t before = 0;
    try {
        while (size_t n = stream.Read(buffer, sizeof buffer)) {
            text.append(buffer, n);
            before = stream.position();
        }
    } catch (const Error& error) {
        if (!issues || !error.issue())
            throw;
        issues->issues.push_back(*error.issue());
        // Keep what was read before the damaged block.
        text.append(buffer, static_cast<size_t>(stream.position() - before));
    }
    return text;
}

void EncodeStreamBlock(uint32_t address, std::string_view payload, uint32_t next, uint8_t* out) {
    std::memset(out, 0, kStreamBlockSize);
    StoreU32(out, address);
    StoreU32(out + 4, kStreamPayloadSize);
    StoreU32(out + 8, static_cast<uint32_t>(payload.size()));
    StoreU32(out + 12, next);
    std::memcpy(out + kStreamBlockHeaderSize, payload.data(), payload.size());
}

}  // namespace dbx
