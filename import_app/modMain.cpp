#include "import_app/modMain.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <limits>
#include <memory>

#include "import_support/Desktop.h"
#include "import_support/Paths.h"
#include "import_support/RuntimeError.h"
#include "import_support/VbText.h"

namespace modMain {

namespace {

// Closes a file descriptor when it goes out of scope.
class FileHandle {
  public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    void Reset(int fd) { fd_ = fd; }
    int Get() const { return fd_; }

  private:
    int fd_ = -1;
};

vb::RuntimeError ErrorOpening(const std::filesystem::path& path, int err) {
    std::error_code ec;
    std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    return vb::ErrorFromErrno(err, std::filesystem::is_directory(folder, ec));
}

int OpenSource(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw ErrorOpening(path, errno);
    return fd;
}

int CreateDestination(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw ErrorOpening(path, errno);
    return fd;
}

std::int64_t LengthOf(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw vb::ErrorFromErrno(errno, true);
    if (S_ISDIR(info.st_mode))
        throw vb::RuntimeError(vb::kPathFileAccessError);
    return info.st_size;
}

// Copies one piece of up to `size` bytes from the current positions; returns the bytes copied
// (fewer only when the source ended early). Uses the kernel's copy where it can, a buffer
// otherwise.
std::int64_t CopyPiece(int from, int to, std::int64_t size, std::unique_ptr<char[]>& buffer,
                       std::int64_t& bufferSize) {
    std::int64_t done = 0;
    while (done < size) {
        ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size - done, 0);
        if (n < 0 &&
            (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            break;  // not supported between these files: fall back to the buffer
        }
        if (n < 0)
            throw vb::ErrorFromErrno(errno, true);
        if (n == 0)
            return done;
        done += n;
    }
    while (done < size) {
        if (bufferSize < size) {
            buffer = std::make_unique_for_overwrite<char[]>(size);
            bufferSize = size;
        }
        ssize_t got = ::read(from, buffer.get(), size - done);
        if (got < 0)
            throw vb::ErrorFromErrno(errno, true);
        if (got == 0)
            return done;
        for (ssize_t written = 0; written < got;) {
            ssize_t n = ::write(to, buffer.get() + written, got - written);
            if (n < 0)
                throw vb::ErrorFromErrno(errno, true);
            written += n;
        }
        done += got;
    }
    return done;
}

}  // namespace

PiecePlan PlanPieces(std::int32_t total, std::int32_t requestedChunk) {
    std::int32_t chunk = requestedChunk > 0 ? requestedChunk : total / 100;
    if (chunk == 0)
        return PiecePlan{0, total};
    chunk = std::min(chunk, kMaxChunkSize);
    return PiecePlan{chunk, total % chunk};
}

QString ProgressCaption(std::int64_t copied, std::int64_t total) {
    double fraction = static_cast<double>(copied) / static_cast<double>(total);
    return QStringLiteral("Imported (%1 bytes out of %2 bytes: %3 Completed)")
        .arg(copied)
        .arg(total)
        .arg(vb::FormatPercent(fraction));
}

std::int32_t CopyFileByChunk(const QString& source, const QString& destination,
                             std::int32_t lngChunkSize, Desktop& desktop) {
    FileHandle from;
    FileHandle to;
    try {
        from.Reset(OpenSource(paths::ToFs(source)));
        std::int64_t length = LengthOf(from.Get());
        if (length > std::numeric_limits<std::int32_t>::max()) {
            throw vb::RuntimeError(vb::kOverflow);
        }
        auto total = static_cast<std::int32_t>(length);
        to.Reset(CreateDestination(paths::ToFs(destination)));
        if (total == 0)
            return 0;

        PiecePlan plan = PlanPieces(total, lngChunkSize);
        std::unique_ptr<char[]> buffer;
        std::int64_t bufferSize = 0;
        std::int64_t copied = 0;
        auto copyPiece = [&](std::int64_t size) {
            std::int64_t got = CopyPiece(from.Get(), to.Get(), size, buffer, bufferSize);
            copied += got;
            desktop.SetProgressCaption(ProgressCaption(copied, total));
            desktop.DoEvents();
            return got == size;
        };
        bool sourceLasted = plan.remainder == 0 || copyPiece(plan.remainder);
        while (sourceLasted && plan.chunk != 0 && copied < total) {
            sourceLasted = copyPiece(plan.chunk);
        }

        std::int64_t written = LengthOf(to.Get());
        return written == total ? total : -static_cast<std::int32_t>(written);
    } catch (const vb::RuntimeError& error) {
        desktop.MsgBox(QStringLiteral("Error Occurred : %1:\r\n%2")
                           .arg(error.Number())
                           .arg(error.Description()),
                       vb::vbCritical + vb::vbOKOnly, QStringLiteral("CopyFileByChunk"));
        return -1;
    }
}

}  // namespace modMain
