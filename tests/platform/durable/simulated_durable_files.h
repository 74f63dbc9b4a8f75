// The platform layer's durable-write interface over the simulated file system of the .dbx
// tests, so that the registry save is crash-tested the way the mail store's files are. A
// simulated crash passes through as it is; a simulated write failure becomes the errno.
#pragma once

#include <winpal/file_system.h>

#include "simulated_file_system.h"

namespace durabletest {

class SimulatedDurableFiles : public winpal::DurableFileSystem {
  public:
    explicit SimulatedDurableFiles(dbxtest::SimulatedFileSystem& fs) : fs_(fs) {}

    int Create(const std::filesystem::path& path,
               std::unique_ptr<winpal::DurableFile>& file) override;
    int Mode(const std::filesystem::path& path, uint32_t& mode) override;
    int Rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int Remove(const std::filesystem::path& path) override;
    int SyncDirectory(const std::filesystem::path& directory) override;

  private:
    dbxtest::SimulatedFileSystem& fs_;
};

}  // namespace durabletest
