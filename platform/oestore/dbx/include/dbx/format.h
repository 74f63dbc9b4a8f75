// Fixed numbers of the Outlook Express 5/6 DirectDB container (.dbx): sizes of the building
// blocks, and the table kinds a file can hold. Offsets of header fields live in header.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace dbx {

inline constexpr uint32_t kMagic = 0xFE12ADCF;
inline constexpr uint32_t kHeaderSize = 0x24BC;

inline constexpr uint32_t kTreeNodeSize = 0x27C;
inline constexpr uint32_t kTreeSegmentSize = 25 * kTreeNodeSize;  // 0x3E1C
inline constexpr uint32_t kMaxTreeEntries = 51;
inline constexpr uint32_t kTreeEntrySize = 12;
inline constexpr uint32_t kTreeNodeHeaderSize = 0x18;

inline constexpr uint32_t kStreamBlockSize = 0x210;
inline constexpr uint32_t kStreamBlockHeaderSize = 0x10;
inline constexpr uint32_t kStreamPayloadSize = 0x200;
inline constexpr uint32_t kStreamSegmentSize = 120 * kStreamBlockSize;  // 0xF780

inline constexpr uint32_t kVariableSegmentSize = 0xC000;
inline constexpr uint32_t kRecordHeaderSize = 12;

// Size of a freed block's header (marker, payload size, block size, kept DWORD, next free).
inline constexpr uint32_t kFreeBlockHeaderSize = 0x14;

// Files grow in steps of 64 KiB after the header and user data.
inline constexpr uint32_t kFileGrowStep = 0x10000;
// Addresses are 32-bit; Outlook Express corrupts files that approach 2 GiB, so writers stop there.
inline constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

inline constexpr int kMaxIndexes = 8;
inline constexpr int kMaxIndexKeys = 8;

// Ids from here up are reserved by the database engine and never handed out.
inline constexpr uint32_t kReservedIdMin = 0xFFFFFBFF;

// The table a file holds, identified by the full 16-byte class id at header offset 4.
enum class TableKind { kMessages, kFolders, kPop3Uidl, kOfflineOps, kUnknown };

using Clsid = std::array<uint8_t, 16>;

// The class id of a table kind, in the byte order stored in the file.
Clsid ClsidOf(TableKind kind);
TableKind ClassifyClsid(const uint8_t* bytes16);
// Human name for messages: "message table", "folder table (Folders.dbx)",
// "POP3 UIDL table (Pop3uidl.dbx)", "offline operations table (Offline.dbx)".
std::string DescribeTableKind(TableKind kind);

}  // namespace dbx
