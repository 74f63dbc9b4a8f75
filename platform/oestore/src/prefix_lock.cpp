#include "prefix_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include <winpal/winpal.h>

namespace oestore {
namespace {

constexpr char kLockFile[] = "oestore.lock";
constexpr std::chrono::milliseconds kPoll{20};

}  // namespace

PrefixLock::PrefixLock(std::chrono::milliseconds limit) {
    const std::filesystem::path path = winpal::PrefixPath() / kLockFile;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

PrefixLock::~PrefixLock() {
    if (fd_ >= 0)
        ::close(fd_);  // closing releases the lock
}

}  // namespace oestore
