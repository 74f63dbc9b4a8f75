// The prefix: the one folder that holds all machine state (registry files, profile folder).
#include <cstdlib>
#include <system_error>

#include <winpal/winpal.h>

namespace winpal {

namespace {

std::filesystem::path EnsureFolder(std::filesystem::path path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return path;
}

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

std::filesystem::path PrefixPath() {
    if (const char* prefix = NonEmptyEnv("WINPAL_PREFIX"))
        return EnsureFolder(prefix);
    if (const char* data = NonEmptyEnv("XDG_DATA_HOME")) {
        return EnsureFolder(std::filesystem::path(data) / "winpal");
    }
    const char* home = NonEmptyEnv("HOME");
    std::filesystem::path base = home ? std::filesystem::path(home) : std::filesystem::path("/tmp");
    return EnsureFolder(base / ".local" / "share" / "winpal");
}

std::filesystem::path ProfilePath() {
    if (const char* profile = NonEmptyEnv("USERPROFILE"))
        return profile;
    return EnsureFolder(PrefixPath() / "profile");
}

}  // namespace winpal
