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

// Who may use a file, and under how many names (hard links) it is found.
struct FileAccess {
    uint32_t mode = 0644;  // permission bits
    uint32_t owner = 0;
    uint32_t group = 0;
    uint32_t links = 1;
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
    // When the file was last written, in nanoseconds of the file system's clock; file systems
    // without one answer 0.
    virtual int64_t ModifiedTime() { return 0; }
    // File systems without owners and links answer a file of its own, readable by everyone.
    virtual FileAccess Access() { return {}; }
    // Gives the file the permission bits, owner and group of `access` (a file that replaces
    // another keeps the other's); throws kIo when they cannot be given.
    virtual void SetAccess(const FileAccess&) {}
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
    // The path of the file itself when `path` names a symbolic link (followed as far as it
    // goes); `path` otherwise. File systems without links answer `path`.
    virtual std::filesystem::path Resolve(const std::filesystem::path& path) { return path; }
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
