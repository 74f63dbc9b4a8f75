#include "messages/ExportFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

#include <unistd.h>

namespace {

bool WriteAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// The last component of a name after "/" or "\", without a leading drive prefix ("c:").
std::string_view LastPlainComponent(std::string_view name) {
    if (const std::size_t separator = name.find_last_of("/\\");
        separator != std::string_view::npos) {
        name.remove_prefix(separator + 1);
    }
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        name.remove_prefix(2);
    if (name == "." || name == "..")
        return {};
    return name;
}

}  // namespace

CopyResult CopyStreamToFile(IStream& stream, int fd, ULONG chunk) {
    auto buffer = std::make_unique<char[]>(chunk + 1);
    for (;;) {
        ULONG read = 0;
        if (FAILED(stream.Read(buffer.get(), chunk, &read)))
            return CopyResult::ReadFailed;
        if (read == 0)
            return CopyResult::Done;
        if (!WriteAll(fd, buffer.get(), std::min(read, chunk)))
            return CopyResult::WriteFailed;
    }
}

HRESULT ControlErrorOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return CTL_E_PATHNOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EEXIST:
        case EISDIR:
            return CTL_E_PERMISSIONDENIED;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return CTL_E_DISKFULL;
        default:
            return CTL_E_DEVICEIOERROR;
    }
}

std::string AttachmentPath(std::string_view outputFolder, std::string_view displayName) {
    const std::string_view name = LastPlainComponent(displayName);
    if (name.empty())
        return {};
    std::string path = std::string(outputFolder) + std::string(name);
    if (const std::size_t parenthesis = path.find('('); parenthesis != std::string::npos)
        path.erase(parenthesis);
    return path;
}
