#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <winpal/file_system.h>

namespace winpal {
namespace {

int Errno() {
    return errno ? errno : EIO;
}

class SystemFile : public DurableFile {
  public:
    explicit SystemFile(int fd) : fd_(fd) {}
    ~SystemFile() override { close(fd_); }

    int WriteAt(uint64_t offset, const void* data, std::size_t length) override {
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = pwrite(fd_, static_cast<const char*>(data) + done, length - done,
                               static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Errno();
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }
    int Sync() override { return fsync(fd_) == 0 ? 0 : Errno(); }
    int SetMode(uint32_t mode) override {
        return fchmod(fd_, static_cast<mode_t>(mode & 07777)) == 0 ? 0 : Errno();
    }

  private:
    int fd_;
};

class SystemFiles : public DurableFileSystem {
  public:
    int Create(const std::filesystem::path& path, std::unique_ptr<DurableFile>& file) override {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            return Errno();
        file = std::make_unique<SystemFile>(fd);
        return 0;
    }
    int Mode(const std::filesystem::path& path, uint32_t& mode) override {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0)
            return Errno();
        mode = st.st_mode & 07777;
        return 0;
    }
    int Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return rename(from.c_str(), to.c_str()) == 0 ? 0 : Errno();
    }
    int Remove(const std::filesystem::path& path) override {
        return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : Errno();
    }
    int SyncDirectory(const std::filesystem::path& directory) override {
        int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return Errno();
        int result = fsync(fd) == 0 ? 0 : Errno();
        close(fd);
        return result;
    }
};

std::string Describe(const std::filesystem::path& file, const char* what, int error) {
    return file.string() + ": " + what + ": " + std::strerror(error);
}

}  // namespace

DurableFileSystem& SystemDurableFileSystem() {
    static SystemFiles files;
    return files;
}

int ReplaceFileDurably(DurableFileSystem& fs, const std::filesystem::path& file,
                       const std::filesystem::path& temporary, std::string_view bytes,
                       std::string& error, const std::function<void()>& beforeRename) {
    std::unique_ptr<DurableFile> out;
    if (int result = fs.Create(temporary, out)) {
        error = Describe(temporary, "cannot be created", result);
        return result;
    }
    // The new file keeps the old one's mode where the file system can say and keep it; one
    // that cannot (vfat, some network shares) still takes the file.
    uint32_t mode = 0;
    if (fs.Mode(file, mode) == 0)
        out->SetMode(mode);
    int result = out->WriteAt(0, bytes.data(), bytes.size());
    if (!result)
        result = out->Sync();
    out.reset();
    if (!result && beforeRename)
        beforeRename();
    if (!result)
        result = fs.Rename(temporary, file);
    if (result) {
        fs.Remove(temporary);
        error = Describe(file, "cannot be saved", result);
        return result;
    }
    // The new file is in place; a folder that cannot be flushed only leaves it less durable.
    fs.SyncDirectory(file.parent_path());
    return 0;
}

}  // namespace winpal
