// An in-memory file system for crash tests. It keeps, for every file, the bytes as the running
// program sees them and the bytes that are durable (as of the file's last flush), and the same
// for folder entries. A test can stop the program at any mutating call, or make that call fail,
// and then look at what a process crash or a power loss would leave behind.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dbx/file_system.h"

namespace dbxtest {

// Thrown at the call where the simulated crash happens; the program never gets further.
struct SimulatedCrash {};

enum class CrashKind {
    kProcess,          // every call made so far reached the disk
    kPowerLoss,        // only flushed data and flushed folder changes survive
    kPowerLossPartly,  // unflushed writes survive sector by sector at random, folder changes maybe
};

class SimulatedFileSystem : public dbx::FileSystem {
  public:
    SimulatedFileSystem();
    ~SimulatedFileSystem() override;

    // After `count` more mutating calls (writes, resizes, flushes, creations, renames, removals)
    // the next one throws SimulatedCrash and every later one is ignored.
    void CrashAfter(int64_t count);
    // The next mutating call after `count` more throws dbx::Error(kIo); later calls work.
    void FailAfter(int64_t count);
    bool crashed() const { return crashed_; }
    int64_t mutations() const { return mutations_; }
    uint64_t bytes_written() const { return bytes_written_; }

    // A new file system holding what survives a crash of this one.
    std::unique_ptr<SimulatedFileSystem> Survivor(CrashKind kind, uint32_t seed = 0) const;

    void Put(const std::string& path, const std::string& bytes);  // durable at once
    std::string Get(const std::string& path) const;
    bool Has(const std::string& path) const { return entries_.count(path) > 0; }

    std::unique_ptr<dbx::File> Open(const std::filesystem::path& path, dbx::OpenMode mode) override;
    bool Exists(const std::filesystem::path& path) override;
    void Remove(const std::filesystem::path& path) override;
    void Rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    void SyncDirectory(const std::filesystem::path& directory) override;

    // Called by open files before every mutating call; false when the call is to be ignored.
    bool Mutate();

    struct Write {
        uint64_t offset;
        std::string bytes;
        bool truncate;  // a resize to `offset`
    };
    struct Inode {
        std::string current;
        std::string durable;
        std::vector<Write> pending;  // since the last flush, in order
        int64_t modified = 0;        // the file system's clock at the last write
    };
    int64_t clock_ = 0;
    std::map<uint64_t, Inode> inodes_;

  private:
    std::map<std::string, uint64_t> entries_;
    std::map<std::string, uint64_t> durable_entries_;
    uint64_t next_inode_ = 1;
    int64_t crash_countdown_ = -1;
    int64_t fail_countdown_ = -1;
    int64_t mutations_ = 0;
    bool crashed_ = false;

  public:
    uint64_t bytes_written_ = 0;
};

}  // namespace dbxtest
