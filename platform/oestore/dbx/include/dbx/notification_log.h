// The log of changes the database engine keeps for other processes that have the same file open
// ("transaction blocks", 0x68 bytes each in variable segments, a doubly linked list from header
// 0x6C to 0x70). Each entry names a changed record before and after the change and its position
// in every index. Files written here leave the log empty; a change to a file that has one empties
// it, since the entries would name records that are no longer where they say.
#pragma once

#include <cstdint>
#include <vector>

#include "dbx/file_reader.h"
#include "dbx/header.h"

namespace dbx {

inline constexpr uint32_t kLogEntrySize = 0x68;

struct LogEntry {
    uint32_t address = 0;
    uint32_t records[2] = {0, 0};  // the record before and after the change
    uint32_t next = 0;
    uint32_t previous = 0;
};

// The entries from head to tail. Throws kCorrupt naming the entry on a bad marker, a pointer
// outside the file, a broken back link or a loop, and when the list does not end at the tail.
std::vector<LogEntry> ReadNotificationLog(FileReader& reader, const FileHeader& header);

}  // namespace dbx
