// A fresh, empty prefix for the life of one object: WINPAL_PREFIX points at a new temporary
// folder, which is removed again (with the previous value restored) on destruction.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::optional<std::string> previous_;
};

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

// Writes `bytes` to `file`, creating its folder.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
// The whole content of `file` (empty when it cannot be read).
std::string ReadFile(const std::filesystem::path& file);

}  // namespace testsupport
