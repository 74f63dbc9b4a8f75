#include "record_scan.h"

#include "bytes.h"

namespace dbx {

void ScanForRecords(Database& db,
                    const std::function<void(uint32_t address, const Record& record)>& visit) {
    FileReader& reader = db.reader();
    const uint64_t size = reader.size();
    const uint64_t chunk = 1 << 20;
    std::vector<uint8_t> buffer;
    for (uint64_t base = db.header().data_start() & ~uint64_t{3}; base + kRecordHeaderSize <= size;
         base += chunk) {
        uint64_t length = std::min<uint64_t>(chunk + kRecordHeaderSize, size - base);
        buffer.resize(static_cast<size_t>(length));
        if (!reader.Read(base, buffer.data(), buffer.size()))
            break;
        for (uint64_t at = 0; at < chunk && at + kRecordHeaderSize <= length; at += 4) {
            const uint8_t* p = buffer.data() + at;
            uint64_t address = base + at;
            if (LoadU32(p) != address)
                continue;
            uint32_t body = LoadU32(p + 4);
            uint32_t columns = p[10];
            // A record header: columns present, a body that holds them, a whole segment at most.
            if (columns == 0 || body % 4 != 0 || body < 4 * columns ||
                body > kVariableSegmentSize - kRecordHeaderSize || p[11] == 0) {
                continue;
            }
            Record record;
            try {
                record = db.ReadRecord(static_cast<uint32_t>(address));
            } catch (const Error&) {
                continue;  // not a record after all
            }
            visit(static_cast<uint32_t>(address), record);
        }
    }
}

}  // namespace dbx
