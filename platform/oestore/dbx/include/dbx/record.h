// A record ("indexed info"): a list of (column id, value) pairs. Values are kept as stored, so a
// column this library does not know survives a rewrite unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/schema.h"

namespace dbx {

struct Column {
    uint8_t id = 0;
    bool direct = false;  // the value sits in the entry itself (24 bits)
    uint32_t value = 0;   // the direct value
    std::string data;     // the stored bytes of an indirect value (strings include their NUL)
    bool operator==(const Column&) const = default;
};

class Record {
  public:
    uint8_t version = 1;          // change counter: 1 when written, +1 on every rewrite
    uint16_t length_field = 0;    // the header's optional copy of the block size (0: not set)
    std::vector<Column> columns;  // ascending column ids

    const Column* Find(uint8_t id) const;
    bool Has(uint8_t id) const { return Find(id) != nullptr; }

    // Typed reads; an absent column reads as 0 or empty.
    std::optional<uint32_t> FindDword(uint8_t id) const;
    uint32_t Dword(uint8_t id) const { return FindDword(id).value_or(0); }
    uint64_t FileTime(uint8_t id) const;
    std::optional<std::string_view> FindString(uint8_t id) const;
    std::string String(uint8_t id) const { return std::string(FindString(id).value_or("")); }
    std::string Blob(uint8_t id) const;

    // Typed writes, in the encoding Outlook Express uses: numbers below 2^24 direct, others as
    // 4 stored bytes; strings NUL-terminated; blobs with a leading byte count.
    void SetDword(uint8_t id, uint32_t value);
    void SetFileTime(uint8_t id, uint64_t value);
    void SetString(uint8_t id, std::string_view text);
    void SetBlob(uint8_t id, std::string_view bytes);
    void Erase(uint8_t id);

    // The block size this record takes when encoded: 12-byte header plus the body (a multiple
    // of 4).
    uint32_t EncodedSize() const;

    bool operator==(const Record&) const = default;

  private:
    Column& Slot(uint8_t id);
};

// Decodes the record block at `address`. `block` holds at least the record's header; its
// length may run further (to the end of the file). Throws kCorrupt naming "record" and the
// address when the block is not a valid record.
Record DecodeRecord(std::span<const uint8_t> block, uint32_t address, const TableSchema& schema);

// The record's body length from its 12-byte header, after checking the marker and that the
// block fits in one variable segment.
uint32_t RecordBodyLength(std::span<const uint8_t> header12, uint32_t address);

// Encodes `record` as a block at `address`: marker, body length, length field, column count,
// version, entries, values packed back to back, zero padding to a multiple of 4.
std::string EncodeRecord(const Record& record, uint32_t address);

}  // namespace dbx
