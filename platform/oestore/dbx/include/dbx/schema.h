// The two table schemas this library handles: the message table (one per mailbox .dbx) and the
// folder table (Folders.dbx). Column ids, value types, flags and the index layout that Outlook
// Express 6 stores in every file of each kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/format.h"
#include "dbx/header.h"

namespace dbx {

// How a column's value is stored.
enum class ColumnType : uint8_t {
    kUnknown,   // id not in the schema: kept as raw bytes
    kDword,     // 32-bit number (ids, flags, addresses, counts)
    kWord,      // 16-bit number
    kByte,      // 8-bit number
    kFileTime,  // 8 bytes, 100 ns ticks since 1601-01-01 UTC
    kString,    // NUL-terminated 8-bit text
    kBlob,      // DWORD byte count, then the bytes
};

// Message table columns.
namespace msgcol {
inline constexpr uint8_t kId = 0x00;
inline constexpr uint8_t kFlags = 0x01;
inline constexpr uint8_t kDate = 0x02;  // sent (Date: header), UTC
inline constexpr uint8_t kLineCount = 0x03;
inline constexpr uint8_t kStream = 0x04;  // first stream block of the message text
inline constexpr uint8_t kNormalizedSubject = 0x05;
inline constexpr uint8_t kDownloadTime = 0x06;  // when it was stored in this folder
inline constexpr uint8_t kMessageId = 0x07;
inline constexpr uint8_t kSubject = 0x08;
inline constexpr uint8_t kFromHeader = 0x09;
inline constexpr uint8_t kReferences = 0x0A;
inline constexpr uint8_t kXref = 0x0B;
inline constexpr uint8_t kServer = 0x0C;
inline constexpr uint8_t kDisplayFrom = 0x0D;
inline constexpr uint8_t kEmailFrom = 0x0E;
inline constexpr uint8_t kLanguage = 0x0F;
inline constexpr uint8_t kPriority = 0x10;  // 1 high, 3 normal, 5 low
inline constexpr uint8_t kSize = 0x11;
inline constexpr uint8_t kReceivedDate = 0x12;
inline constexpr uint8_t kDisplayTo = 0x13;
inline constexpr uint8_t kEmailTo = 0x14;
inline constexpr uint8_t kAccountName = 0x1A;
inline constexpr uint8_t kAccountId = 0x1B;
inline constexpr uint8_t kOffsetTable = 0x1C;
}  // namespace msgcol

// Message flags (message column kFlags).
namespace msgflag {
inline constexpr uint32_t kHasBody = 0x00000001;
inline constexpr uint32_t kUnsent = 0x00000008;
inline constexpr uint32_t kFlagged = 0x00000020;
inline constexpr uint32_t kRead = 0x00000080;
inline constexpr uint32_t kSigned = 0x00001000;
inline constexpr uint32_t kHasAttachment = 0x00004000;
inline constexpr uint32_t kReplied = 0x00080000;
inline constexpr uint32_t kForwarded = 0x00100000;
inline constexpr uint32_t kWatch = 0x00400000;
inline constexpr uint32_t kIgnore = 0x00800000;
}  // namespace msgflag

// Folder table columns.
namespace fldcol {
inline constexpr uint8_t kId = 0x00;
inline constexpr uint8_t kParent = 0x01;
inline constexpr uint8_t kName = 0x02;
inline constexpr uint8_t kFile = 0x03;
inline constexpr uint8_t kDescription = 0x04;
inline constexpr uint8_t kAccountId = 0x05;
inline constexpr uint8_t kFlags = 0x06;
inline constexpr uint8_t kMessages = 0x07;
inline constexpr uint8_t kUnread = 0x08;
inline constexpr uint8_t kSpecial = 0x09;
inline constexpr uint8_t kType = 0x0A;
}  // namespace fldcol

// Folder flags (folder column kFlags).
namespace fldflag {
inline constexpr uint32_t kSubscribed = 0x00000001;
inline constexpr uint32_t kInOutlookExpress = 0x00000008;
inline constexpr uint32_t kHasSubfolders = 0x00000010;
}  // namespace fldflag

// Folder types (folder column kType and message-file user data).
namespace foldertype {
inline constexpr uint8_t kNews = 0;
inline constexpr uint8_t kImap = 1;
inline constexpr uint8_t kHttpMail = 2;
inline constexpr uint8_t kLocal = 3;
inline constexpr uint8_t kRoot = 4;
}  // namespace foldertype

// Special folders (folder column kSpecial and message-file user data); 0 for ordinary folders.
namespace special {
inline constexpr uint8_t kNone = 0;
inline constexpr uint8_t kInbox = 1;
inline constexpr uint8_t kOutbox = 2;
inline constexpr uint8_t kSentItems = 3;
inline constexpr uint8_t kDeletedItems = 4;
inline constexpr uint8_t kDrafts = 5;
}  // namespace special

// Which rows an index holds, from the filter text stored for it.
enum class IndexFilter {
    kAll,               // no filter
    kWatchedOrIgnored,  // messages with kWatch or kIgnore
    kSubscribed,        // folders with kSubscribed
    kUnknown,           // a filter text this library cannot evaluate
};

inline constexpr const char* kWatchFilterText =
    "((MSGCOL_FLAGS & ARF_WATCH) != 0 || (MSGCOL_FLAGS & ARF_IGNORE) != 0)";
inline constexpr const char* kSubscribedFilterText = "(FLDCOL_FLAGS & FOLDER_SUBSCRIBED)";

IndexFilter ParseIndexFilter(const std::string& text);

struct TableSchema {
    TableKind kind;
    uint32_t user_data_size;
    uint32_t schema_version;
    std::vector<IndexDefinition> indexes;  // as Outlook Express 6 creates them
    std::vector<std::string> filters;      // filter text per index, empty when unfiltered
    ColumnType (*column_type)(uint8_t column);
    const char* (*column_name)(uint8_t column);
};

// The schema of a message or folder table; throws kUnsupported for other kinds.
const TableSchema& SchemaFor(TableKind kind);

}  // namespace dbx
