// The file operations of the platform layer's durable writes (the registry's hive files). Each
// such write goes through this interface, so that tests can put a file system underneath that
// stops or fails after any write, as the mail store's files are tested. Calls answer 0, or the
// errno of their failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace winpal {

class DurableFile {
  public:
    virtual ~DurableFile() = default;
    virtual int WriteAt(uint64_t offset, const void* data, std::size_t length) = 0;
    // Makes every write so far durable (fsync).
    virtual int Sync() = 0;
    virtual int SetMode(uint32_t mode) = 0;
};

class DurableFileSystem {
  public:
    virtual ~DurableFileSystem() = default;
    // A file created empty, or emptied when it exists.
    virtual int Create(const std::filesystem::path& path, std::unique_ptr<DurableFile>& file) = 0;
    // The permission bits of an existing file; ENOENT when there is none.
    virtual int Mode(const std::filesystem::path& path, uint32_t& mode) = 0;
    // Atomically replaces `to` with `from`.
    virtual int Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // A missing file is not an error.
    virtual int Remove(const std::filesystem::path& path) = 0;
    // Makes creations, renames and removals in `directory` durable.
    virtual int SyncDirectory(const std::filesystem::path& directory) = 0;
};

// The operating system's files.
DurableFileSystem& SystemDurableFileSystem();

// Replaces `file` with `bytes` so that a crash or a power loss at any moment leaves the old file
// or the new one, whole: writes `temporary` (in the same folder, with the old file's permission
// bits), flushes it, renames it over `file` and flushes the folder. `beforeRename` runs once the
// temporary file is complete. On failure the temporary file is removed, `file` is untouched, and
// `error` says what failed; the result is the errno.
int ReplaceFileDurably(DurableFileSystem& fs, const std::filesystem::path& file,
                       const std::filesystem::path& temporary, std::string_view bytes,
                       std::string& error, const std::function<void()>& beforeRename = {});

}  // namespace winpal
