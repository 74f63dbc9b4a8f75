#include "dbx/user_data.h"

#include <algorithm>

#include "bytes.h"
#include "dbx/schema.h"

namespace dbx {

namespace {

// Offsets in the message-file user data.
constexpr size_t kInitialized = 0x000;
constexpr size_t kFolderType = 0x004;
constexpr size_t kAccountId = 0x005;
constexpr size_t kFolderName = 0x105;
constexpr size_t kTextField = 0x100;  // both text fields are 256 bytes, NUL-terminated
constexpr size_t kSpecial = 0x208;
constexpr size_t kSortColumn = 0x210;
constexpr size_t kFilterId = 0x21C;
constexpr size_t kFolderId = 0x224;
constexpr size_t kViewFlags = 0x348;

std::string ReadText(std::string_view raw, size_t offset) {
    if (raw.size() <= offset)
        return {};
    std::string_view field = raw.substr(offset, kTextField);
    return std::string(field.substr(0, field.find('\0')));
}

void WriteText(std::string& raw, size_t offset, const std::string& text) {
    std::fill_n(raw.begin() + static_cast<long>(offset), kTextField, '\0');
    std::copy_n(text.begin(), std::min(text.size(), kTextField - 1),
                raw.begin() + static_cast<long>(offset));
}

uint32_t ReadU32(std::string_view raw, size_t offset) {
    return raw.size() >= offset + 4 ? LoadU32(reinterpret_cast<const uint8_t*>(raw.data() + offset))
                                    : 0;
}

}  // namespace

MessageFileInfo DecodeMessageUserData(std::string_view raw) {
    MessageFileInfo info;
    info.folder_type = raw.size() > kFolderType ? static_cast<uint8_t>(raw[kFolderType]) : 0;
    info.account_id = ReadText(raw, kAccountId);
    info.folder_name = ReadText(raw, kFolderName);
    info.special = ReadU32(raw, kSpecial);
    info.folder_id = ReadU32(raw, kFolderId);
    return info;
}

std::string EncodeMessageUserData(const MessageFileInfo& info, std::string raw) {
    if (raw.empty()) {
        // What a new local folder file holds: initialised, sorted by column 3, the default view
        // filter 0xFFA and the view flags 01 00 01 00.
        raw.assign(SchemaFor(TableKind::kMessages).user_data_size, '\0');
        StoreU32(Bytes(raw) + kInitialized, 1);
        StoreU32(Bytes(raw) + kSortColumn, 3);
        StoreU32(Bytes(raw) + kFilterId, 0xFFA);
        Bytes(raw)[kViewFlags] = 1;
        Bytes(raw)[kViewFlags + 2] = 1;
    }
    raw.resize(SchemaFor(TableKind::kMessages).user_data_size, '\0');
    raw[kFolderType] = static_cast<char>(info.folder_type);
    WriteText(raw, kAccountId, info.account_id);
    WriteText(raw, kFolderName, info.folder_name);
    StoreU32(Bytes(raw) + kSpecial, info.special);
    StoreU32(Bytes(raw) + kFolderId, info.folder_id);
    return raw;
}

StoreInfo DecodeStoreUserData(std::string_view raw) {
    StoreInfo info;
    if (raw.size() >= 9) {
        info.created = LoadU64(reinterpret_cast<const uint8_t*>(raw.data()));
        info.converted = raw[8] != 0;
    }
    return info;
}

std::string EncodeStoreUserData(const StoreInfo& info, std::string raw) {
    raw.resize(SchemaFor(TableKind::kFolders).user_data_size, '\0');
    StoreU64(Bytes(raw), info.created);
    raw[8] = info.converted ? 1 : 0;
    return raw;
}

}  // namespace dbx
