#include "dbx/record.h"

#include <algorithm>
#include <vector>

#include "bytes.h"
#include "dbx/error.h"

namespace dbx {

namespace {

constexpr uint32_t kDirectLimit = 1u << 24;

// The stored bytes of an indirect value whose extent (up to the next value or the end of the
// body) is `extent`: numbers and times keep their natural size, strings end after their NUL,
// blobs after their counted bytes; unknown columns keep the whole extent.
std::string TrimValue(ColumnType type, std::string_view extent) {
    size_t keep = extent.size();
    switch (type) {
        case ColumnType::kDword:
        case ColumnType::kWord:
        case ColumnType::kByte:
            keep = std::min<size_t>(extent.size(), 4);
            break;
        case ColumnType::kFileTime:
            keep = std::min<size_t>(extent.size(), 8);
            break;
        case ColumnType::kString: {
            size_t nul = extent.find('\0');
            if (nul != std::string_view::npos)
                keep = nul + 1;
            break;
        }
        case ColumnType::kBlob:
            if (extent.size() >= 4) {
                uint32_t count = LoadU32(reinterpret_cast<const uint8_t*>(extent.data()));
                keep = 4 + std::min<size_t>(count, extent.size() - 4);
            }
            break;
        case ColumnType::kUnknown:
            break;
    }
    return std::string(extent.substr(0, keep));
}

}  // namespace

const Column* Record::Find(uint8_t id) const {
    for (const Column& column : columns) {
        if (column.id == id)
            return &column;
    }
    return nullptr;
}

std::optional<uint32_t> Record::FindDword(uint8_t id) const {
    const Column* column = Find(id);
    if (!column)
        return std::nullopt;
    if (column->direct)
        return column->value;
    uint8_t bytes[4] = {0, 0, 0, 0};
    std::copy_n(column->data.begin(), std::min<size_t>(column->data.size(), 4), bytes);
    return LoadU32(bytes);
}

uint64_t Record::FileTime(uint8_t id) const {
    const Column* column = Find(id);
    if (!column)
        return 0;
    if (column->direct)
        return column->value;
    uint8_t bytes[8] = {};
    std::copy_n(column->data.begin(), std::min<size_t>(column->data.size(), 8), bytes);
    return LoadU64(bytes);
}

std::optional<std::string_view> Record::FindString(uint8_t id) const {
    const Column* column = Find(id);
    if (!column || column->direct)
        return std::nullopt;
    std::string_view text = column->data;
    return text.substr(0, text.find('\0'));
}

std::string Record::Blob(uint8_t id) const {
    const Column* column = Find(id);
    if (!column || column->direct || column->data.size() < 4)
        return {};
    return column->data.substr(4);
}

Column& Record::Slot(uint8_t id) {
    auto it = std::lower_bound(columns.begin(), columns.end(), id,
                               [](const Column& c, uint8_t v) { return c.id < v; });
    if (it == columns.end() || it->id != id)
        it = columns.insert(it, Column{id, false, 0, {}});
    return *it;
}

void Record::SetDword(uint8_t id, uint32_t value) {
    Column& column = Slot(id);
    column.direct = value < kDirectLimit;
    column.value = column.direct ? value : 0;
    column.data.clear();
    if (!column.direct)
        AppendU32(column.data, value);
}

void Record::SetFileTime(uint8_t id, uint64_t value) {
    Column& column = Slot(id);
    column.direct = false;
    column.value = 0;
    column.data.clear();
    AppendU64(column.data, value);
}

void Record::SetString(uint8_t id, std::string_view text) {
    Column& column = Slot(id);
    column.direct = false;
    column.value = 0;
    column.data.assign(text.substr(0, text.find('\0')));
    column.data.push_back('\0');
}

void Record::SetBlob(uint8_t id, std::string_view bytes) {
    Column& column = Slot(id);
    column.direct = false;
    column.value = 0;
    column.data.clear();
    AppendU32(column.data, static_cast<uint32_t>(bytes.size()));
    column.data.append(bytes);
}

void Record::Erase(uint8_t id) {
    std::erase_if(columns, [id](const Column& c) { return c.id == id; });
}

uint32_t Record::EncodedSize() const {
    size_t data = 0;
    for (const Column& column : columns) {
        if (!column.direct)
            data += column.data.size();
    }
    size_t body = 4 * columns.size() + ((data + 3) & ~size_t{3});
    return static_cast<uint32_t>(kRecordHeaderSize + body);
}

uint32_t RecordBodyLength(std::span<const uint8_t> header12, uint32_t address) {
    if (header12.size() < kRecordHeaderSize) {
        ThrowCorrupt("record", address, "the file ends inside the record header");
    }
    uint32_t marker = LoadU32(header12.data());
    if (marker != address) {
        ThrowCorrupt("record", address, "marker " + Hex(marker) + " does not match its address");
    }
    uint32_t body = LoadU32(header12.data() + 4);
    if (body > kVariableSegmentSize - kRecordHeaderSize) {
        ThrowCorrupt("record", address,
                     "body length " + Hex(body) + " is larger than a variable segment");
    }
    return body;
}

Record DecodeRecord(std::span<const uint8_t> block, uint32_t address, const TableSchema& schema) {
    uint32_t body = RecordBodyLength(block, address);
    if (block.size() < kRecordHeaderSize + body) {
        ThrowCorrupt("record", address,
                     "body length " + Hex(body) + " runs past the end of the file");
    }
    const uint8_t* p = block.data();
    Record record;
    record.length_field = LoadU16(p + 8);
    uint32_t count = p[10];
    record.version = p[11];
    if (4 * count > body) {
        ThrowCorrupt(
            "record", address,
            std::to_string(count) + " columns do not fit in a body of " + Hex(body) + " bytes");
    }
    const uint8_t* entries = p + kRecordHeaderSize;
    const uint8_t* data = entries + 4 * count;
    uint32_t data_length = body - 4 * count;

    // Each indirect value runs from its offset to the next larger offset (values are packed
    // back to back) or to the end of the body.
    std::vector<uint32_t> offsets;
    offsets.reserve(count + 1);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t entry = LoadU32(entries + 4 * i);
        if (!(entry & 0x80))
            offsets.push_back(entry >> 8);
    }
    offsets.push_back(data_length);
    std::sort(offsets.begin(), offsets.end());

    int previous_id = -1;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t entry = LoadU32(entries + 4 * i);
        Column column;
        column.id = static_cast<uint8_t>(entry & 0x7F);
        column.direct = (entry & 0x80) != 0;
        if (column.id <= previous_id) {
            ThrowCorrupt("record", address,
                         "column " + Hex(column.id) + " is out of order or repeated");
        }
        previous_id = column.id;
        if (column.direct) {
            column.value = entry >> 8;
        } else {
            uint32_t offset = entry >> 8;
            if (offset >= data_length) {
                ThrowCorrupt("record", address,
                             "column " + Hex(column.id) + " points at " + Hex(offset) +
                                 ", past the data area of " + Hex(data_length) + " bytes");
            }
            uint32_t end = *std::upper_bound(offsets.begin(), offsets.end(), offset);
            std::string_view extent(reinterpret_cast<const char*>(data) + offset, end - offset);
            column.data = TrimValue(schema.column_type(column.id), extent);
        }
        record.columns.push_back(std::move(column));
    }
    return record;
}

std::string EncodeRecord(const Record& record, uint32_t address) {
    uint32_t size = record.EncodedSize();
    std::string out(size, '\0');
    uint8_t* p = Bytes(out);
    StoreU32(p, address);
    StoreU32(p + 4, size - kRecordHeaderSize);
    StoreU16(p + 8, record.length_field);
    p[10] = static_cast<uint8_t>(record.columns.size());
    p[11] = record.version;
    uint8_t* entry = p + kRecordHeaderSize;
    uint8_t* data = entry + 4 * record.columns.size();
    uint32_t offset = 0;
    for (const Column& column : record.columns) {
        if (column.direct) {
            StoreU32(entry, (column.value << 8) | 0x80 | column.id);
        } else {
            StoreU32(entry, (offset << 8) | column.id);
            std::copy(column.data.begin(), column.data.end(), data + offset);
            offset += static_cast<uint32_t>(column.data.size());
        }
        entry += 4;
    }
    return out;
}

}  // namespace dbx
