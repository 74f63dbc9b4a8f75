// What identifies the state of a file on disk: which file the path names, its size and the time
// it was last written. A file replaced, truncated or rewritten gets another stamp.
#pragma once

#include <cstdint>
#include <filesystem>

namespace oestore {

struct FileStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::filesystem::path& path);

}  // namespace oestore
