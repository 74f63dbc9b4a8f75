// The hive files in the prefix (system.reg, user.reg): a cache of their trees that follows
// changes made on disk by other processes, and atomic, locked updates.
//
// Every change takes an exclusive lock (flock on ".registry.lock" in the prefix), re-reads the
// hive from disk, applies the change, writes a temporary file beside the hive, syncs it, renames
// it over the hive and syncs the folder. So a crash leaves the old or the new file, and two
// processes changing the registry one after the other both keep their changes.
//
// A malformed hive file is never overwritten: its keys read as missing and changes to it fail
// with ERROR_BADDB until it is repaired. The problem goes to stderr once per state of the file
// and stays available through winpal::RegLastLoadError().
//
// Callers hold RegistryMutex() while they use anything here.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "registry_roots.h"
#include "registry_tree.h"

namespace winpal::reg {

std::recursive_mutex& RegistryMutex();

std::filesystem::path HiveFile(Hive hive);

// The current tree of `hive`, re-read when its file changed on disk since the last look (the
// file's inode, size and modification time tell); null while the file is malformed.
const Key* ReadHive(Hive hive);

// The latest problem met while loading a hive file, empty when none is pending.
std::string LastLoadError();

// One change of the registry: holds the lock from construction to destruction.
class HiveWriter {
  public:
    HiveWriter();
    ~HiveWriter();
    HiveWriter(const HiveWriter&) = delete;
    HiveWriter& operator=(const HiveWriter&) = delete;

    // The tree of `hive` as just read from disk, to be changed in place. ERROR_BADDB when the
    // file is malformed, another error when the lock or the file cannot be had; Error() says why.
    LONG Open(Hive hive, Key** root);
    void MarkChanged(Hive hive) { slots_[Index(hive)].changed = true; }
    // Saves every changed hive and makes the new trees current.
    LONG Commit();
    const std::string& Error() const { return error_; }

  private:
    static std::size_t Index(Hive hive) { return static_cast<std::size_t>(hive); }

    struct Slot {
        std::unique_ptr<Key> root;
        bool changed = false;
    };
    int lockFd_ = -1;
    LONG lockStatus_ = 0;
    std::string error_;
    std::array<Slot, 2> slots_;
};

}  // namespace winpal::reg
