// libFuzzer target for the .dbx reader: the input is a whole file, served from memory.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "dbx/check.h"
#include "dbx/folder_file.h"
#include "dbx/mailbox_readability.h"
#include "dbx/message_file.h"

namespace {

class MemoryFile : public dbx::File {
  public:
    explicit MemoryFile(const std::string& bytes) : bytes_(bytes) {}
    uint64_t Size() override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
        if (offset >= bytes_.size())
            return 0;
        size_t n = std::min<size_t>(length, bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, n);
        return n;
    }
    void WriteAt(uint64_t, const void*, size_t) override { throw std::logic_error("read only"); }
    void Truncate(uint64_t) override { throw std::logic_error("read only"); }
    void Sync() override {}
    dbx::FileId Id() override { return {1, 1}; }
    void Lock() override {}
    void Unlock() override {}

  private:
    const std::string& bytes_;
};

// One file, "/fuzz/input.dbx", holding the input; nothing else exists.
class MemoryFiles : public dbx::FileSystem {
  public:
    explicit MemoryFiles(std::string bytes) : bytes_(std::move(bytes)) {}
    std::unique_ptr<dbx::File> Open(const std::filesystem::path& path,
                                    dbx::OpenMode mode) override {
        if (path != kPath || mode != dbx::OpenMode::kRead) {
            throw dbx::Error(dbx::ErrorCode::kIo, "no such file " + path.string());
        }
        return std::make_unique<MemoryFile>(bytes_);
    }
    bool Exists(const std::filesystem::path& path) override { return path == kPath; }
    void Remove(const std::filesystem::path&) override { throw std::logic_error("read only"); }
    void Rename(const std::filesystem::path&, const std::filesystem::path&) override {
        throw std::logic_error("read only");
    }
    void SyncDirectory(const std::filesystem::path&) override {}

    static constexpr const char* kPath = "/fuzz/input.dbx";

  private:
    std::string bytes_;
};

void ReadMessages(dbx::OpenOptions options) {
    dbx::MessageFile file = dbx::MessageFile::Open(MemoryFiles::kPath, options);
    dbx::MessageCursor cursor = file.Messages(true);
    dbx::MessageInfo message;
    size_t listed = 0;
    while (cursor.Next(message)) {
        dbx::IssueList issues;
        std::string text = file.ReadText(message, &issues);
        if (++listed <= 4)
            file.Find(message.id);
    }
    file.Find(2);
}

void ReadFolders(dbx::OpenOptions options) {
    dbx::FolderFile file = dbx::FolderFile::Open(MemoryFiles::kPath, options);
    dbx::IssueList issues;
    file.List(&issues);
    file.List(&issues, dbx::FolderFile::Order::kByParentAndName);
    file.Find(dbx::kLocalFoldersId);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryFiles files(std::string(reinterpret_cast<const char*>(data), size));
    dbx::OpenOptions options;
    options.fs = &files;
    // The judgement an import makes before it takes a file: never an exception, whatever the bytes.
    dbx::AssessMailbox(MemoryFiles::kPath, &files);
    try {
        auto db = dbx::Database::Open(MemoryFiles::kPath, options);
        dbx::CheckDatabase(*db);
        if (db->kind() == dbx::TableKind::kMessages) {
            ReadMessages(options);
        } else {
            ReadFolders(options);
        }
    } catch (const dbx::Error&) {
        // Refusing a damaged file with an error is the expected outcome; crashes, hangs and
        // runaway memory are what the fuzzer looks for.
    }
    return 0;
}
