#include "simulated_durable_files.h"

#include <cerrno>

#include "dbx/error.h"

namespace durabletest {
namespace {

// Runs `call`; a refusal of the simulated file system becomes its errno (EIO when it has none).
template <class Call>
int Errno(Call&& call) {
    try {
        call();
        return 0;
    } catch (const dbx::Error& error) {
        return error.os_error() ? error.os_error() : EIO;
    }
}

class SimulatedDurableFile : public winpal::DurableFile {
  public:
    explicit SimulatedDurableFile(std::unique_ptr<dbx::File> file) : file_(std::move(file)) {}
    int WriteAt(uint64_t offset, const void* data, std::size_t length) override {
        return Errno([&] { file_->WriteAt(offset, data, length); });
    }
    int Sync() override {
        return Errno([&] { file_->Sync(); });
    }
    int SetMode(uint32_t) override { return 0; }

  private:
    std::unique_ptr<dbx::File> file_;
};

}  // namespace

int SimulatedDurableFiles::Create(const std::filesystem::path& path,
                                  std::unique_ptr<winpal::DurableFile>& file) {
    return Errno([&] {
        file = std::make_unique<SimulatedDurableFile>(fs_.Open(path, dbx::OpenMode::kCreate));
    });
}

int SimulatedDurableFiles::Mode(const std::filesystem::path& path, uint32_t& mode) {
    if (!fs_.Exists(path))
        return ENOENT;
    mode = 0644;
    return 0;
}

int SimulatedDurableFiles::Rename(const std::filesystem::path& from,
                                  const std::filesystem::path& to) {
    return Errno([&] { fs_.Rename(from, to); });
}

int SimulatedDurableFiles::Remove(const std::filesystem::path& path) {
    return Errno([&] { fs_.Remove(path); });
}

int SimulatedDurableFiles::SyncDirectory(const std::filesystem::path& directory) {
    return Errno([&] { fs_.SyncDirectory(directory); });
}

}  // namespace durabletest
