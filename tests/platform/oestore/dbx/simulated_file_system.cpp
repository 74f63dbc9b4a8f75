#include "simulated_file_system.h"

#include <algorithm>
#include <cerrno>

#include "dbx/error.h"

namespace dbxtest {

namespace {

void Apply(std::string& content, const SimulatedFileSystem::Write& write) {
    if (write.truncate) {
        content.resize(static_cast<size_t>(write.offset), '\0');
        return;
    }
    size_t end = static_cast<size_t>(write.offset + write.bytes.size());
    if (content.size() < end)
        content.resize(end, '\0');
    std::copy(write.bytes.begin(), write.bytes.end(),
              content.begin() + static_cast<long>(write.offset));
}

class SimulatedFile : public dbx::File {
  public:
    SimulatedFile(SimulatedFileSystem& fs, uint64_t inode) : fs_(fs), inode_(inode) {}

    uint64_t Size() override { return node().current.size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t length) override {
        const std::string& content = node().current;
        if (offset >= content.size())
            return 0;
        size_t n = std::min<size_t>(length, content.size() - static_cast<size_t>(offset));
        std::copy_n(content.data() + offset, n, static_cast<char*>(buffer));
        return n;
    }
    void WriteAt(uint64_t offset, const void* data, size_t length) override {
        if (!fs_.Mutate())
            return;
        fs_.bytes_written_ += length;
        Record({offset, std::string(static_cast<const char*>(data), length), false});
    }
    void Truncate(uint64_t size) override {
        if (!fs_.Mutate())
            return;
        Record({size, {}, true});
    }
    void Sync() override {
        if (!fs_.Mutate())
            return;
        node().durable = node().current;
        node().pending.clear();
    }
    dbx::FileId Id() override { return {1, inode_}; }
    int64_t ModifiedTime() override { return node().modified; }
    void Lock() override {}
    void Unlock() override {}

  private:
    SimulatedFileSystem::Inode& node() { return fs_.inodes_.at(inode_); }
    void Record(SimulatedFileSystem::Write write) {
        node().modified = ++fs_.clock_;
        Apply(node().current, write);
        node().pending.push_back(std::move(write));
    }

    SimulatedFileSystem& fs_;
    uint64_t inode_;
};

}  // namespace

SimulatedFileSystem::SimulatedFileSystem() = default;
SimulatedFileSystem::~SimulatedFileSystem() = default;

void SimulatedFileSystem::CrashAfter(int64_t count) {
    crash_countdown_ = count;
}
void SimulatedFileSystem::FailAfter(int64_t count) {
    fail_countdown_ = count;
}

bool SimulatedFileSystem::Mutate() {
    if (crashed_)
        return false;
    if (crash_countdown_ == 0) {
        crashed_ = true;
        throw SimulatedCrash{};
    }
    if (fail_countdown_ == 0) {
        fail_countdown_ = -1;
        throw dbx::Error(dbx::ErrorCode::kIo, "simulated write failure");
    }
    if (crash_countdown_ > 0)
        --crash_countdown_;
    if (fail_countdown_ > 0)
        --fail_countdown_;
    ++mutations_;
    return true;
}

std::unique_ptr<SimulatedFileSystem> SimulatedFileSystem::Survivor(CrashKind kind,
                                                                   uint32_t seed) const {
    auto survivor = std::make_unique<SimulatedFileSystem>();
    std::mt19937 random(seed);
    const auto& entries =
        kind == CrashKind::kProcess || (kind == CrashKind::kPowerLossPartly && random() % 2)
            ? entries_
            : durable_entries_;
    for (const auto& [path, inode_id] : entries) {
        const Inode& inode = inodes_.at(inode_id);
        std::string content;
        if (kind == CrashKind::kProcess) {
            content = inode.current;
        } else {
            content = inode.durable;
            if (kind == CrashKind::kPowerLossPartly) {
                // Each unflushed write reaches the disk 512-byte sector by sector, or not.
                for (const Write& write : inode.pending) {
                    if (write.truncate) {
                        if (random() % 2)
                            Apply(content, write);
                        continue;
                    }
                    for (uint64_t pos = write.offset; pos < write.offset + write.bytes.size();) {
                        uint64_t end = std::min<uint64_t>(write.offset + write.bytes.size(),
                                                          (pos / 512 + 1) * 512);
                        if (random() % 2) {
                            Apply(content,
                                  {pos,
                                   write.bytes.substr(static_cast<size_t>(pos - write.offset),
                                                      static_cast<size_t>(end - pos)),
                                   false});
                        }
                        pos = end;
                    }
                }
            }
        }
        survivor->Put(path, content);
    }
    return survivor;
}

void SimulatedFileSystem::Put(const std::string& path, const std::string& bytes) {
    uint64_t inode = next_inode_++;
    inodes_[inode] = Inode{bytes, bytes, {}};
    entries_[path] = inode;
    durable_entries_[path] = inode;
}

std::string SimulatedFileSystem::Get(const std::string& path) const {
    return inodes_.at(entries_.at(path)).current;
}

std::unique_ptr<dbx::File> SimulatedFileSystem::Open(const std::filesystem::path& path,
                                                     dbx::OpenMode mode) {
    auto it = entries_.find(path.string());
    if (mode == dbx::OpenMode::kCreate) {
        if (!Mutate()) {
            // After the crash nothing reaches the disk; hand out a scratch file.
            uint64_t scratch = next_inode_++;
            inodes_[scratch] = Inode{};
            return std::make_unique<SimulatedFile>(*this, scratch);
        }
        if (it == entries_.end()) {
            uint64_t inode = next_inode_++;
            inodes_[inode] = Inode{};
            entries_[path.string()] = inode;
            return std::make_unique<SimulatedFile>(*this, inode);
        }
        Inode& inode = inodes_.at(it->second);
        inode.current.clear();
        inode.pending.push_back({0, {}, true});
        return std::make_unique<SimulatedFile>(*this, it->second);
    }
    if (it == entries_.end())
        throw dbx::Error(dbx::ErrorCode::kIo, "cannot open " + path.string() + ": no such file",
                         ENOENT);
    return std::make_unique<SimulatedFile>(*this, it->second);
}

bool SimulatedFileSystem::Exists(const std::filesystem::path& path) {
    return entries_.count(path.string()) > 0;
}

void SimulatedFileSystem::Remove(const std::filesystem::path& path) {
    if (!Mutate())
        return;
    entries_.erase(path.string());
}

void SimulatedFileSystem::Rename(const std::filesystem::path& from,
                                 const std::filesystem::path& to) {
    if (!Mutate())
        return;
    auto it = entries_.find(from.string());
    if (it == entries_.end())
        throw dbx::Error(dbx::ErrorCode::kIo, "cannot rename " + from.string(), ENOENT);
    uint64_t inode = it->second;
    entries_.erase(it);
    entries_[to.string()] = inode;
}

void SimulatedFileSystem::SyncDirectory(const std::filesystem::path&) {
    if (!Mutate())
        return;
    durable_entries_ = entries_;
}

}  // namespace dbxtest
