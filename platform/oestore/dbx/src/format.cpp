#include "dbx/format.h"

#include <cstring>

namespace dbx {

namespace {

// {6F74FDC5-E366-11D1-9A4E-00C04FA309D4} and its siblings, first three groups little-endian.
constexpr Clsid kMessageClsid = {0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11,
                                 0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};
constexpr Clsid kFolderClsid = {0xC6, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11,
                                0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};
constexpr Clsid kPop3UidlClsid = {0xC7, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11,
                                  0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};
// {26FE9D30-1A8F-11D2-AABF-006097D474C4}
constexpr Clsid kOfflineClsid = {0x30, 0x9D, 0xFE, 0x26, 0x8F, 0x1A, 0xD2, 0x11,
                                 0xAA, 0xBF, 0x00, 0x60, 0x97, 0xD4, 0x74, 0xC4};

}  // namespace

Clsid ClsidOf(TableKind kind) {
    switch (kind) {
        case TableKind::kMessages:
            return kMessageClsid;
        case TableKind::kFolders:
            return kFolderClsid;
        case TableKind::kPop3Uidl:
            return kPop3UidlClsid;
        case TableKind::kOfflineOps:
            return kOfflineClsid;
        case TableKind::kUnknown:
            break;
    }
    return Clsid{};
}

TableKind ClassifyClsid(const uint8_t* bytes16) {
    for (TableKind kind : {TableKind::kMessages, TableKind::kFolders, TableKind::kPop3Uidl,
                           TableKind::kOfflineOps}) {
        if (std::memcmp(ClsidOf(kind).data(), bytes16, 16) == 0)
            return kind;
    }
    return TableKind::kUnknown;
}

std::string DescribeTableKind(TableKind kind) {
    switch (kind) {
        case TableKind::kMessages:
            return "message table";
        case TableKind::kFolders:
            return "folder table (Folders.dbx)";
        case TableKind::kPop3Uidl:
            return "POP3 UIDL table (Pop3uidl.dbx)";
        case TableKind::kOfflineOps:
            return "offline operations table (Offline.dbx)";
        case TableKind::kUnknown:
            break;
    }
    return "unknown DirectDB table";
}

}  // namespace dbx
