#include "import_support/FileLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace filelocks {

bool LockedByAnother(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    // A shared lock is refused exactly while someone holds an exclusive one; it is let go at once.
    bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

}  // namespace filelocks
