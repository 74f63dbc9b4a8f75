#include "prefix_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include <winpal/winpal.h>

namespace oestore {
namespace {

constexpr char kLockFile[] = "oestore.lock";
constexpr std::chrono::milliseconds kPoll{20};

// A lock file's lock belongs to one open of the file, so the process takes it once and counts
// the nested holders (opening the store makes missing mailboxes, which takes it again).
std::recursive_mutex& Gate() {
    static std::recursive_mutex gate;
    return gate;
}
int lockFd = -1;
int depth = 0;

bool LockPrefix(std::chrono::milliseconds limit) {
    const std::filesystem::path path = winpal::PrefixPath() / kLockFile;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lockFd = fd;
            return true;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

}  // namespace

PrefixLock::PrefixLock(std::chrono::milliseconds limit) {
    Gate().lock();
    if (depth > 0 || LockPrefix(limit)) {
        ++depth;
        held_ = true;
        return;
    }
    Gate().unlock();
}

PrefixLock::~PrefixLock() {
    if (!held_)
        return;
    if (--depth == 0) {
        ::close(lockFd);  // closing releases the lock
        lockFd = -1;
    }
    Gate().unlock();
}

}  // namespace oestore
