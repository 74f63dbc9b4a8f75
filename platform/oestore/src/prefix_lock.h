// The first use of a prefix by several programs at once: finding or making the start identity
// and opening or making its store happen under an exclusive lock on a file in the prefix, so that
// two programs started together make one identity and one store, and the second one opens what
// the first made. Mailbox files that the store makes on first use are made under it too. Nested
// holders in one process share the lock.
#pragma once

#include <chrono>

namespace oestore {

class PrefixLock {
  public:
    // Waits for the lock for at most `limit`; Held tells whether it was got.
    explicit PrefixLock(std::chrono::milliseconds limit);
    ~PrefixLock();
    PrefixLock(const PrefixLock&) = delete;
    PrefixLock& operator=(const PrefixLock&) = delete;

    bool Held() const { return held_; }

  private:
    bool held_ = false;
};

// How long Initialize waits for another program that is making or opening the store.
inline constexpr std::chrono::seconds kPrefixLockWait{60};

}  // namespace oestore
