// The file layer under the library. Every read, write, flush and rename goes through these two
// interfaces, so tests can put a file system underneath that fails or stops after any write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace dbx {

// Identity of an open file: the same path may name another file after a rename over it.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

class File {
  public:
    virtual ~File() = default;
    virtual uint64_t Size() = 0;
    // Reads up to `length` bytes at `offset`; returns how many were read (fewer only at the end).
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t length) = 0;
    virtual void WriteAt(uint64_t offset, const void* data, size_t length) = 0;
    virtual void Truncate(uint64_t size) = 0;
    // Makes every write so far durable (fsync).
    virtual void Sync() = 0;
    virtual FileId Id() = 0;
    // Advisory exclusive lock between processes that change the same file; Unlock releases it.
    // Waits for another holder a bounded time, then throws kIo with os_error EWOULDBLOCK.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

enum class OpenMode {
    kRead,
    kReadWrite,
    kCreate,  // read-write; created empty, or emptied when it exists
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual std::unique_ptr<File> Open(const std::filesystem::path& path, OpenMode mode) = 0;
    virtual bool Exists(const std::filesystem::path& path) = 0;
    // Removes a file; a missing file is not an error.
    virtual void Remove(const std::filesystem::path& path) = 0;
    // Atomically replaces `to` with `from`.
    virtual void Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Makes creations, renames and removals in `directory` durable.
    virtual void SyncDirectory(const std::filesystem::path& directory) = 0;
};

// The operating system's files (POSIX calls, fsync, flock).
FileSystem& SystemFileSystem();

}  // namespace dbx
