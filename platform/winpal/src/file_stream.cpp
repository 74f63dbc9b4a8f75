// SHCreateStreamOnFileA: a stream over a file on disk, read and written at its own seek pointer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>
#include <system_error>

#include <winpal/com.h>
#include <winpal/winpal.h>

#include "calendar.h"
#include "stream_base.h"
#include "win32_error.h"

namespace {

constexpr DWORD kAccessMask = 0x3;

HRESULT ErrnoResult(int error) {
    return HRESULT_FROM_WIN32(winpal::detail::Win32ErrorFromErrno(error));
}

class FileStream final : public winpal::detail::StreamBase {
  public:
    FileStream(int fd, DWORD mode, std::u16string name) : fd_(fd), mode_(mode), name_(name) {}
    ~FileStream() override { ::close(fd_); }

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (pcbRead)
            *pcbRead = 0;
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        if (!CanRead())
            return STG_E_ACCESSDENIED;
        ULONG done = 0;
        while (done < cb) {
            ssize_t n = ::pread(fd_, static_cast<char*>(pv) + done, cb - done,
                                static_cast<off_t>(position_ + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                position_ += done;
                if (pcbRead)
                    *pcbRead = done;
                return STG_E_READFAULT;
            }
            if (n == 0)
                break;
            done += static_cast<ULONG>(n);
        }
        position_ += done;
        if (pcbRead)
            *pcbRead = done;
        return S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten)
            *pcbWritten = 0;
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        if (!CanWrite())
            return STG_E_ACCESSDENIED;
        ULONG done = 0;
        HRESULT result = S_OK;
        while (done < cb) {
            ssize_t n = ::pwrite(fd_, static_cast<const char*>(pv) + done, cb - done,
                                 static_cast<off_t>(position_ + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                result = n < 0 && errno != ENOSPC && errno != EDQUOT ? STG_E_WRITEFAULT
                                                                     : STG_E_MEDIUMFULL;
                break;
            }
            done += static_cast<ULONG>(n);
        }
        position_ += done;
        if (pcbWritten)
            *pcbWritten = done;
        return result;
    }

    HRESULT SetSize(ULARGE_INTEGER libNewSize) override {
        if (!CanWrite())
            return STG_E_ACCESSDENIED;
        if (libNewSize.QuadPart > static_cast<ULONGLONG>(std::numeric_limits<off_t>::max())) {
            return STG_E_INVALIDFUNCTION;
        }
        if (::ftruncate(fd_, static_cast<off_t>(libNewSize.QuadPart)) != 0) {
            return errno == ENOSPC || errno == EFBIG ? STG_E_MEDIUMFULL : ErrnoResult(errno);
        }
        return S_OK;
    }

    HRESULT Commit(DWORD) override {
        return CanWrite() && ::fsync(fd_) != 0 ? STG_E_WRITEFAULT : S_OK;
    }

    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override {
        if (!pstatstg)
            return STG_E_INVALIDPOINTER;
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            return ErrnoResult(errno);
        *pstatstg = STATSTG{};
        if (!(grfStatFlag & STATFLAG_NONAME)) {
            const std::size_t bytes = (name_.size() + 1) * sizeof(OLECHAR);
            auto* name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!name)
                return E_OUTOFMEMORY;
            std::char_traits<char16_t>::copy(name, name_.c_str(), name_.size() + 1);
            pstatstg->pwcsName = name;
        }
        pstatstg->type = STGTY_STREAM;
        pstatstg->cbSize.QuadPart = static_cast<ULONGLONG>(st.st_size);
        pstatstg->mtime = winpal::detail::FileTimeFromUnix(st.st_mtim);
        pstatstg->ctime = winpal::detail::FileTimeFromUnix(st.st_ctim);
        pstatstg->atime = winpal::detail::FileTimeFromUnix(st.st_atim);
        pstatstg->grfMode = mode_;
        return S_OK;
    }

    // Like the shell's file stream, this one cannot be cloned.
    HRESULT Clone(IStream** ppstm) override {
        if (ppstm)
            *ppstm = nullptr;
        return E_NOTIMPL;
    }

  private:
    HRESULT CurrentSize(ULONGLONG* size) override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            return ErrnoResult(errno);
        *size = static_cast<ULONGLONG>(st.st_size);
        return S_OK;
    }

    bool CanRead() const { return (mode_ & kAccessMask) != STGM_WRITE; }
    bool CanWrite() const { return (mode_ & kAccessMask) != STGM_READ; }

    int fd_;
    DWORD mode_;
    std::u16string name_;
};

// The error CreateFile reports for a missing file: "path not found" when its folder is missing.
LONG MissingFileError(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path parent = path.parent_path();
    if (!parent.empty() && !std::filesystem::is_directory(parent, ec))
        return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT SHCreateStreamOnFileA(LPCSTR pszFile, DWORD grfMode, IStream** ppstm) {
    if (!ppstm)
        return E_INVALIDARG;
    *ppstm = nullptr;
    if (!pszFile || !*pszFile)
        return E_INVALIDARG;
    int flags = O_CLOEXEC;
    switch (grfMode & kAccessMask) {
        case STGM_READ:
            flags |= O_RDONLY;
            break;
        case STGM_WRITE:
            flags |= O_WRONLY;
            break;
        case STGM_READWRITE:
            flags |= O_RDWR;
            break;
        default:
            return E_INVALIDARG;
    }
    if (grfMode & STGM_CREATE)
        flags |= O_CREAT | O_TRUNC;
    const std::filesystem::path path = winpal::PathFromAnsi(pszFile);
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        int error = errno;
        return HRESULT_FROM_WIN32(error == ENOENT ? MissingFileError(path)
                                                  : winpal::detail::Win32ErrorFromErrno(error));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    *ppstm = new (std::nothrow) FileStream(fd, grfMode, winpal::AnsiToWide(pszFile));
    if (!*ppstm) {
        ::close(fd);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
