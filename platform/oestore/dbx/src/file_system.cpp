#include "dbx/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "dbx/error.h"

namespace dbx {

namespace {

constexpr std::chrono::seconds kLockWait{5};
constexpr std::chrono::milliseconds kLockPoll{10};

[[noreturn]] void ThrowIo(const std::string& what, const std::filesystem::path& path,
                          int err = errno) {
    throw Error(ErrorCode::kIo, what + " " + path.string() + ": " + std::strerror(err), err);
}

class SystemFile : public File {
  public:
    SystemFile(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    ~SystemFile() override { ::close(fd_); }

    uint64_t Size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            ThrowIo("cannot query", path_);
        return static_cast<uint64_t>(st.st_size);
    }

    size_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
        size_t done = 0;
        while (done < length) {
            ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, length - done,
                                static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ThrowIo("cannot read", path_);
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        return done;
    }

    void WriteAt(uint64_t offset, const void* data, size_t length) override {
        size_t done = 0;
        while (done < length) {
            ssize_t n = ::pwrite(fd_, static_cast<const char*>(data) + done, length - done,
                                 static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                ThrowIo("cannot write", path_);
            done += static_cast<size_t>(n);
        }
    }

    void Truncate(uint64_t size) override {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            ThrowIo("cannot resize", path_);
    }

    void Sync() override {
        if (::fsync(fd_) != 0)
            ThrowIo("cannot flush", path_);
    }

    FileId Id() override {
        struct stat st = Stat();
        return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    }

    int64_t ModifiedTime() override {
        struct stat st = Stat();
        return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }

    FileAccess Access() override {
        struct stat st = Stat();
        return {static_cast<uint32_t>(st.st_mode & 07777), static_cast<uint32_t>(st.st_uid),
                static_cast<uint32_t>(st.st_gid), static_cast<uint32_t>(st.st_nlink)};
    }

    void SetAccess(const FileAccess& access) override {
        struct stat st = Stat();
        // The owner first: giving a file away clears its set-id bits.
        if ((st.st_uid != access.owner || st.st_gid != access.group) &&
            ::fchown(fd_, access.owner, access.group) != 0) {
            ThrowIo("cannot give the owner and group of the file it replaces to", path_);
        }
        if (::fchmod(fd_, static_cast<mode_t>(access.mode & 07777)) != 0)
            ThrowIo("cannot give the permissions of the file it replaces to", path_);
    }

    // Waits a bounded time: a writer that keeps the file locked longer is taken for stuck.
    void Lock() override {
        const auto deadline = std::chrono::steady_clock::now() + kLockWait;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK)
                ThrowIo("cannot lock", path_);
            if (std::chrono::steady_clock::now() >= deadline) {
                throw Error(ErrorCode::kIo, path_.string() + " is locked by another program",
                            EWOULDBLOCK);
            }
            std::this_thread::sleep_for(kLockPoll);
        }
    }

    void Unlock() override { ::flock(fd_, LOCK_UN); }

  private:
    struct stat Stat() {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            ThrowIo("cannot query", path_);
        return st;
    }

    int fd_;
    std::filesystem::path path_;
};

// Symbolic links in a chain longer than this are taken for a loop, as the kernel takes them.
constexpr int kMostLinksFollowed = 40;

class SystemFiles : public FileSystem {
  public:
    std::unique_ptr<File> Open(const std::filesystem::path& path, OpenMode mode) override {
        int flags = O_CLOEXEC;
        switch (mode) {
            case OpenMode::kRead:
                flags |= O_RDONLY;
                break;
            case OpenMode::kReadWrite:
                flags |= O_RDWR;
                break;
            case OpenMode::kCreate:
                flags |= O_RDWR | O_CREAT | O_TRUNC;
                break;
        }
        int fd = ::open(path.c_str(), flags, 0644);
        if (fd < 0)
            ThrowIo("cannot open", path);
        auto file = std::make_unique<SystemFile>(fd, path);
        // A folder opens for reading, but is never a file to read.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
            ThrowIo("cannot open", path, EISDIR);
        return file;
    }

    std::filesystem::path Resolve(const std::filesystem::path& path) override {
        std::filesystem::path at = path;
        for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
            std::error_code error;
            if (!std::filesystem::is_symlink(at, error))
                return at;
            std::filesystem::path target = std::filesystem::read_symlink(at, error);
            if (error)
                return at;
            at = target.is_absolute() ? target : at.parent_path() / target;
        }
        ThrowIo("cannot follow the links of", path, ELOOP);
    }

    bool Exists(const std::filesystem::path& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    }

    void Remove(const std::filesystem::path& path) override {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            ThrowIo("cannot remove", path);
    }

    void Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0)
            ThrowIo("cannot rename", from);
    }

    void SyncDirectory(const std::filesystem::path& directory) override {
        std::filesystem::path dir = directory.empty() ? std::filesystem::path(".") : directory;
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            ThrowIo("cannot open folder", dir);
        int rc = ::fsync(fd);
        int saved = errno;
        ::close(fd);
        errno = saved;
        if (rc != 0)
            ThrowIo("cannot flush folder", dir);
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static SystemFiles files;
    return files;
}

}  // namespace dbx
