#include "dbx/notification_log.h"

#include <unordered_set>

#include "bytes.h"
#include "dbx/error.h"

namespace dbx {

std::vector<LogEntry> ReadNotificationLog(FileReader& reader, const FileHeader& header) {
    std::vector<LogEntry> entries;
    std::unordered_set<uint32_t> seen;
    uint32_t previous = 0;
    const char* structure = "log entry";
    for (uint32_t address = header.Get(hdr::kLogHead); address != 0;) {
        uint8_t bytes[kLogEntrySize];
        if (address % 4 != 0 || !reader.Read(address, bytes, sizeof bytes)) {
            ThrowCorrupt(structure, address, "the entry lies outside the file");
        }
        if (!seen.insert(address).second)
            ThrowCorrupt(structure, address, "the log loops back to this entry");
        if (LoadU32(bytes) != address) {
            ThrowCorrupt(structure, address,
                         "marker " + Hex(LoadU32(bytes)) + " does not match its address");
        }
        LogEntry entry;
        entry.address = address;
        entry.records[0] = LoadU32(bytes + 0x54);
        entry.records[1] = LoadU32(bytes + 0x58);
        entry.next = LoadU32(bytes + 0x5C);
        entry.previous = LoadU32(bytes + 0x60);
        if (entry.previous != previous) {
            ThrowCorrupt(structure, address,
                         "points back to " + Hex(entry.previous) + " where the entry before is " +
                             Hex(previous));
        }
        entries.push_back(entry);
        previous = address;
        address = entry.next;
    }
    if (previous != header.Get(hdr::kLogTail)) {
        ThrowCorrupt("file header", hdr::kLogTail,
                     "the log ends at " + Hex(previous) + " but the header names " +
                         Hex(header.Get(hdr::kLogTail)) + " as its tail");
    }
    return entries;
}

}  // namespace dbx
