// The user data after the header: per-folder settings in a message file (0x618 bytes) and the
// store settings in Folders.dbx (0x108 bytes). Decoding reads the known fields; encoding writes
// them onto the raw bytes, leaving every other byte as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbx {

struct MessageFileInfo {
    uint32_t folder_id = 0;   // the folder's id in Folders.dbx
    std::string folder_name;  // the name when the file was made (not updated on rename)
    uint8_t folder_type = 3;  // local
    std::string account_id = "LocalStore";
    uint32_t special = 0;  // 1 Inbox .. 5 Drafts, 0 ordinary
    bool operator==(const MessageFileInfo&) const = default;
};

MessageFileInfo DecodeMessageUserData(std::string_view raw);
// `raw` empty: the user data of a newly created folder file.
std::string EncodeMessageUserData(const MessageFileInfo& info, std::string raw = {});

struct StoreInfo {
    uint64_t created = 0;  // FILETIME of the store's creation
    bool converted =
        true;  // the old-format store was converted; 0 may make the mail client convert again
    bool operator==(const StoreInfo&) const = default;
};

StoreInfo DecodeStoreUserData(std::string_view raw);
std::string EncodeStoreUserData(const StoreInfo& info, std::string raw = {});

}  // namespace dbx
