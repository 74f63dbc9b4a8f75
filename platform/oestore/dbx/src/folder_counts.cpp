#include "dbx/folder_counts.h"

#include <cstring>

#include "bytes.h"
#include "crc32.h"
#include "dbx/error.h"
#include "dbx/file_names.h"
#include "dbx/format.h"

namespace dbx {

namespace {

constexpr char kCountsMagic[8] = {'O', 'E', 'C', 'O', 'U', 'N', 'T', '1'};
constexpr size_t kEntrySize = 4 + 5 * 8 + 4 + 4;
// More folders than any store holds; a count beyond it is damage.
constexpr uint32_t kMostEntries = 1u << 20;

// FNV-1a, 64 bits.
uint64_t Digest(const uint8_t* bytes, size_t length) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < length; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

}  // namespace

std::optional<MailboxStamp> StampMailbox(FileSystem& fs, const std::filesystem::path& path) {
    try {
        if (fs.Exists(JournalPath(path)))
            return std::nullopt;
        std::unique_ptr<File> file = fs.Open(path, OpenMode::kRead);
        MailboxStamp stamp;
        stamp.id = file->Id();
        stamp.size = file->Size();
        stamp.modified = file->ModifiedTime();
        uint8_t header[kHeaderSize];
        size_t got = file->ReadAt(0, header, sizeof header);
        stamp.header_digest = Digest(header, got);
        return stamp;
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::filesystem::path FolderCountsPath(const std::filesystem::path& folders_file) {
    return std::filesystem::path(folders_file.native() + ".counts");
}

std::string EncodeFolderCounts(const std::vector<CountedFolder>& folders) {
    std::string out(kCountsMagic, sizeof kCountsMagic);
    AppendU32(out, static_cast<uint32_t>(folders.size()));
    for (const CountedFolder& folder : folders) {
        AppendU32(out, folder.folder_id);
        AppendU64(out, folder.stamp.id.device);
        AppendU64(out, folder.stamp.id.inode);
        AppendU64(out, folder.stamp.size);
        AppendU64(out, static_cast<uint64_t>(folder.stamp.modified));
        AppendU64(out, folder.stamp.header_digest);
        AppendU32(out, folder.messages);
        AppendU32(out, folder.unread);
    }
    AppendU32(out, Crc32(out));
    return out;
}

std::optional<std::vector<CountedFolder>> DecodeFolderCounts(std::string_view bytes) {
    const size_t head = sizeof kCountsMagic + 4;
    if (bytes.size() < head + 4 ||
        std::memcmp(bytes.data(), kCountsMagic, sizeof kCountsMagic) != 0)
        return std::nullopt;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const uint32_t count = LoadU32(p + sizeof kCountsMagic);
    if (count > kMostEntries || bytes.size() != head + count * kEntrySize + 4 ||
        Crc32(bytes.substr(0, bytes.size() - 4)) != LoadU32(p + bytes.size() - 4)) {
        return std::nullopt;
    }
    std::vector<CountedFolder> folders(count);
    const uint8_t* at = p + head;
    for (CountedFolder& folder : folders) {
        folder.folder_id = LoadU32(at);
        folder.stamp.id.device = LoadU64(at + 4);
        folder.stamp.id.inode = LoadU64(at + 12);
        folder.stamp.size = LoadU64(at + 20);
        folder.stamp.modified = static_cast<int64_t>(LoadU64(at + 28));
        folder.stamp.header_digest = LoadU64(at + 36);
        folder.messages = LoadU32(at + 44);
        folder.unread = LoadU32(at + 48);
        at += kEntrySize;
    }
    return folders;
}

std::vector<CountedFolder> ReadFolderCounts(FileSystem& fs, const std::filesystem::path& path) {
    try {
        if (!fs.Exists(path))
            return {};
        std::unique_ptr<File> file = fs.Open(path, OpenMode::kRead);
        const uint64_t size = file->Size();
        if (size > sizeof kCountsMagic + 8 + uint64_t{kMostEntries} * kEntrySize)
            return {};
        std::string bytes(static_cast<size_t>(size), '\0');
        bytes.resize(file->ReadAt(0, bytes.data(), bytes.size()));
        return DecodeFolderCounts(bytes).value_or(std::vector<CountedFolder>{});
    } catch (const Error&) {
        return {};
    }
}

void WriteFolderCounts(FileSystem& fs, const std::filesystem::path& path,
                       const std::vector<CountedFolder>& folders) {
    const std::string bytes = EncodeFolderCounts(folders);
    const std::filesystem::path building = BuildingPath(path);
    {
        std::unique_ptr<File> file = fs.Open(building, OpenMode::kCreate);
        file->WriteAt(0, bytes.data(), bytes.size());
    }
    fs.Rename(building, path);
}

}  // namespace dbx
