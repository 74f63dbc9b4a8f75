// A fresh, empty prefix for the life of one object: WINPAL_PREFIX points at a new temporary
// folder, which is removed again (with the previous value restored) on destruction.
#pragma once

#include <filesystem>
#include <string>

#include "scoped_env.h"

namespace testsupport {

// A new empty temporary folder, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class TempPrefix {
  public:
    TempPrefix() { env_.Set("WINPAL_PREFIX", dir_.Path().string()); }

    const std::filesystem::path& Path() const { return dir_.Path(); }

  private:
    // Destroyed in reverse order: the environment is restored before the folder goes.
    TempDir dir_;
    ScopedEnv env_;
};

// Writes `bytes` to `file`, creating its folder.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
// The whole content of `file` (empty when it cannot be read).
std::string ReadFile(const std::filesystem::path& file);

}  // namespace testsupport
