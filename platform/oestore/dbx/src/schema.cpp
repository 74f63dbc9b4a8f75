#include "dbx/schema.h"

#include "dbx/error.h"

namespace dbx {

namespace {

ColumnType MessageColumnType(uint8_t column) {
    switch (column) {
        case 0x00:
        case 0x01:
        case 0x03:
        case 0x04:
        case 0x11:
        case 0x15:
        case 0x1F:
        case 0x20:
        case 0x21:
        case 0x24:
            return ColumnType::kDword;
        case 0x02:
        case 0x06:
        case 0x12:
            return ColumnType::kFileTime;
        case 0x05:
        case 0x07:
        case 0x08:
        case 0x09:
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D:
        case 0x0E:
        case 0x13:
        case 0x14:
        case 0x16:
        case 0x17:
        case 0x18:
        case 0x19:
        case 0x1A:
        case 0x1B:
        case 0x1E:
        case 0x23:
        case 0x26:
            return ColumnType::kString;
        case 0x0F:
        case 0x10:
        case 0x1D:
            return ColumnType::kWord;
        case 0x1C:
        case 0x22:
            return ColumnType::kBlob;
        case 0x25:
            return ColumnType::kByte;
        default:
            return ColumnType::kUnknown;
    }
}

const char* MessageColumnName(uint8_t column) {
    static const char* const names[] = {
        "ID",           "FLAGS",       "DATE",        "LINECOUNT",   "STREAM",      "NORMALSUBJ",
        "DOWNLOADTIME", "MESSAGEID",   "SUBJECT",     "FROMHEADER",  "REFERENCES",  "XREF",
        "SERVER",       "DISPLAYFROM", "EMAILFROM",   "LANGUAGE",    "PRIORITY",    "SIZE",
        "RECEIVEDDATE", "DISPLAYTO",   "EMAILTO",     "PARTIALINFO", "POP3UIDL",    "USERNAMEOLD",
        "PARTIALID",    "FORWARDTO",   "ACCOUNTNAME", "ACCOUNTID",   "OFFSETTABLE", "HIGHLIGHT",
        "FOLDER",       "FINDFOLDER",  "FINDSOURCE",  "PARENTOLD",   "THREADIDOLD", "URLCOMPONENT",
        "STREAMIDOLD",  "VERSION",     "MSOESREC"};
    return column < std::size(names) ? names[column] : "?";
}

ColumnType FolderColumnType(uint8_t column) {
    switch (column) {
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x05:
        case 0x14:
            return ColumnType::kString;
        case 0x09:
        case 0x0A:
        case 0x0B:
            return ColumnType::kByte;
        case 0x13:
        case 0x15:
            return ColumnType::kBlob;
        default:
            return column <= 0x1C ? ColumnType::kDword : ColumnType::kUnknown;
    }
}

const char* FolderColumnName(uint8_t column) {
    static const char* const names[] = {"ID",
                                        "PARENT",
                                        "NAME",
                                        "FILE",
                                        "DESCRIPTION",
                                        "ACCOUNTID",
                                        "FLAGS",
                                        "MESSAGES",
                                        "UNREAD",
                                        "SPECIAL",
                                        "TYPE",
                                        "HIERARCHY",
                                        "LISTSTAMP",
                                        "SERVERHIGH",
                                        "SERVERLOW",
                                        "SERVERCOUNT",
                                        "CLIENTHIGH",
                                        "CLIENTLOW",
                                        "NOTDOWNLOADED",
                                        "REQUESTED",
                                        "URLCOMPONENT",
                                        "READ",
                                        "THREADUNREAD",
                                        "VIEWUNREAD",
                                        "STATUSMSGDELTA",
                                        "STATUSUNREADDELTA",
                                        "WATCHEDHIGH",
                                        "WATCHEDUNREAD",
                                        "WATCHED"};
    return column < std::size(names) ? names[column] : "?";
}

IndexDefinition ById() {
    return {0, {{0x00, 0, 0}}};
}

}  // namespace

IndexFilter ParseIndexFilter(const std::string& text) {
    if (text.empty())
        return IndexFilter::kAll;
    if (text == kWatchFilterText)
        return IndexFilter::kWatchedOrIgnored;
    if (text == kSubscribedFilterText)
        return IndexFilter::kSubscribed;
    return IndexFilter::kUnknown;
}

const TableSchema& SchemaFor(TableKind kind) {
    static const TableSchema messages{
        TableKind::kMessages,
        0x618,
        5,
        {ById(), {0, {{msgcol::kMessageId, 0, 0}, {msgcol::kId, 0, 0}}}},
        {"", kWatchFilterText},
        MessageColumnType,
        MessageColumnName};
    static const TableSchema folders{
        TableKind::kFolders,
        0x108,
        5,
        {ById(),
         {0, {{fldcol::kParent, 0, 0}, {fldcol::kName, kCompareAnsi | kCompareIgnoreCase, 0}}},
         {0, {{fldcol::kParent, 0, 0}, {fldcol::kName, kCompareAnsi | kCompareIgnoreCase, 0}}}},
        {"", "", kSubscribedFilterText},
        FolderColumnType,
        FolderColumnName};
    if (kind == TableKind::kMessages)
        return messages;
    if (kind == TableKind::kFolders)
        return folders;
    throw Error(ErrorCode::kUnsupported, "the file holds the " + DescribeTableKind(kind) +
                                             ", not a message table or a folder table");
}

}  // namespace dbx
