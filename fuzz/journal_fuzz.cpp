// libFuzzer target for the change journal (NAME.dbx.journal): the input is a journal file beside
// a mailbox held in memory, which is opened for writing (the journal is checked, applied or
// removed) and for reading. The input is tried as it is and once more with its checksum made
// right, so that the fuzzer reaches past the checksum.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "checksum.h"
#include "dbx/database.h"
#include "journal.h"

namespace {

constexpr const char* kFile = "/fuzz/Mail.dbx";
constexpr const char* kJournal = "/fuzz/Mail.dbx.journal";
// The mailbox: 64 KiB of zeros, which the seed journals' "before" bytes match.
constexpr size_t kFileSize = 1 << 16;

// A file in memory. Growing it (a journal sets the length after its change, up to 2 GiB) only
// notes the length: the bytes past what was written read as zeros, as in a sparse file.
class MemoryFile : public dbx::File {
  public:
    MemoryFile(std::string& bytes, uint64_t& size) : bytes_(bytes), size_(size) {}
    uint64_t Size() override { return size_; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
        if (offset >= size_)
            return 0;
        size_t n = static_cast<size_t>(std::min<uint64_t>(length, size_ - offset));
        std::memset(buffer, 0, n);
        if (offset < bytes_.size()) {
            std::memcpy(buffer, bytes_.data() + offset,
                        std::min<size_t>(n, bytes_.size() - static_cast<size_t>(offset)));
        }
        return n;
    }
    void WriteAt(uint64_t offset, const void* data, size_t length) override {
        // Journal entries overwrite bytes the file has, never more.
        if (offset + length > size_)
            __builtin_trap();
        if (bytes_.size() < offset + length)
            bytes_.resize(offset + length);
        std::memcpy(bytes_.data() + offset, data, length);
        size_ = std::max<uint64_t>(size_, offset + length);
    }
    void Truncate(uint64_t size) override {
        size_ = size;
        if (bytes_.size() > size)
            bytes_.resize(size);
    }
    void Sync() override {}
    dbx::FileId Id() override { return {1, 1}; }
    void Lock() override {}
    void Unlock() override {}

  private:
    std::string& bytes_;
    uint64_t& size_;
};

class MemoryFiles : public dbx::FileSystem {
  public:
    explicit MemoryFiles(std::string journal)
        : journal_(std::move(journal)), journal_size_(journal_.size()), file_(kFileSize, '\0') {}
    std::unique_ptr<dbx::File> Open(const std::filesystem::path& path, dbx::OpenMode) override {
        if (path == kFile)
            return std::make_unique<MemoryFile>(file_, file_size_);
        if (path == kJournal && has_journal_)
            return std::make_unique<MemoryFile>(journal_, journal_size_);
        throw dbx::Error(dbx::ErrorCode::kIo, "no such file " + path.string());
    }
    bool Exists(const std::filesystem::path& path) override {
        return path == kFile || (path == kJournal && has_journal_);
    }
    void Remove(const std::filesystem::path& path) override {
        if (path == kJournal)
            has_journal_ = false;
    }
    void Rename(const std::filesystem::path&, const std::filesystem::path&) override {}
    void SyncDirectory(const std::filesystem::path&) override {}

  private:
    std::string journal_;
    uint64_t journal_size_;
    std::string file_;
    uint64_t file_size_ = kFileSize;
    bool has_journal_ = true;
};

void Recover(std::string journal) {
    MemoryFiles files(std::move(journal));
    try {
        auto file = files.Open(kFile, dbx::OpenMode::kReadWrite);
        dbx::RecoverJournal(files, kFile, *file, false);
        dbx::RecoverJournal(files, kFile, *file, true);
    } catch (const dbx::Error&) {
        // Another version's journal is refused; that is an answer, not a failure.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (std::optional<dbx::Journal> journal = dbx::DecodeJournal(bytes)) {
        // What decodes encodes to the same bytes.
        if (dbx::EncodeJournal(*journal) != bytes)
            __builtin_trap();
    }
    Recover(bytes);
    Recover(WithRightChecksum(bytes));
    return 0;
}
