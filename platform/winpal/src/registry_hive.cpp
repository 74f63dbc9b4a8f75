#include "registry_hive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <system_error>

#include <winpal/file_system.h>
#include <winpal/winpal.h>

#include "registry_text.h"

namespace winpal::reg {

namespace {

// Larger hive files are refused rather than read into memory.
constexpr off_t kMaxHiveBytes = off_t{256} * 1024 * 1024;
constexpr const char* kLockFileName = ".registry.lock";

// What tells one state of a file from another without reading it.
struct FileState {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNs = 0;

    bool operator==(const FileState&) const = default;
};

FileState StateOf(const struct stat& st) {
    return FileState{true, st.st_dev, st.st_ino, st.st_size,
                     static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

FileState StatFile(const std::filesystem::path& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0)
        return {};
    return StateOf(st);
}

std::string SystemError(const std::filesystem::path& file, const char* what, int error) {
    return file.string() + ": " + what + ": " + std::strerror(error);
}

struct LoadResult {
    std::unique_ptr<Key> root;  // null when the file could not be loaded
    FileState state;
    LONG status = ERROR_SUCCESS;
    std::string error;
};

SectionTarget HiveTarget(Hive hive, Key& root, Root sectionRoot) {
    RootPlace place = PlaceOfRoot(sectionRoot);
    if (place.hive == hive)
        return {&root, place.base, {}};
    Root own = hive == Hive::Machine ? Root::LocalMachine : Root::CurrentUser;
    return {nullptr,
            {},
            "a key of " + std::string(RootName(sectionRoot)) + " in the file of " +
                std::string(RootName(own))};
}

bool ReadAll(int fd, std::string& bytes) {
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

LoadResult LoadHiveFile(Hive hive, const std::filesystem::path& file) {
    LoadResult result;
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            result.root = std::make_unique<Key>();
        } else {
            result.status = ERROR_CANTREAD;
            result.error = SystemError(file, "cannot be read", errno);
        }
        return result;
    }
    struct stat st {};
    std::string bytes;
    bool ok = fstat(fd, &st) == 0;
    int readError = errno;
    if (ok) {
        result.state = StateOf(st);
        if (st.st_size > kMaxHiveBytes) {
            close(fd);
            result.status = ERROR_BADDB;
            result.error = file.string() + ":1: the file is larger than 256 MB";
            return result;
        }
        ok = ReadAll(fd, bytes);
        readError = errno;
    }
    close(fd);
    if (!ok) {
        result.status = ERROR_CANTREAD;
        result.error = SystemError(file, "cannot be read", readError);
        return result;
    }
    auto root = std::make_unique<Key>();
    std::vector<TextSection> sections;
    if (!bytes.empty() && (!ParseRegText(bytes, file.string(), sections, result.error) ||
                           !ApplySections(
                               sections, [&](Root r) { return HiveTarget(hive, *root, r); },
                               file.string(), result.error))) {
        result.status = ERROR_BADDB;
        return result;
    }
    result.root = std::move(root);
    return result;
}

struct HiveCache {
    std::filesystem::path file;
    FileState state;
    bool loaded = false;
    std::unique_ptr<Key> root;
};

struct Registry {
    std::array<HiveCache, 2> hives;
    // File states whose problem was already reported on stderr.
    std::set<std::string> reported;
    std::string lastError;
    std::filesystem::path lastErrorFile;
};

Registry& Global() {
    static Registry registry;
    return registry;
}

// Keeps the outcome of loading `file` for RegLastLoadError and reports a problem on stderr,
// once for each state of the file.
void NoteLoad(const std::filesystem::path& file, const FileState& state, const LoadResult& load) {
    Registry& registry = Global();
    if (load.root) {
        if (registry.lastErrorFile == file) {
            registry.lastError.clear();
            registry.lastErrorFile.clear();
        }
        return;
    }
    registry.lastError = load.error;
    registry.lastErrorFile = file;
    std::string key = file.string() + "|" + std::to_string(state.inode) + "|" +
                      std::to_string(state.size) + "|" + std::to_string(state.mtimeNs);
    if (registry.reported.insert(key).second) {
        std::fprintf(stderr,
                     "winpal: cannot load the registry file %s\n"
                     "winpal: %s\n"
                     "winpal: its keys read as missing and changes to it are refused until the "
                     "file is repaired\n",
                     file.c_str(), load.error.c_str());
    }
}

void Remember(Hive hive, const std::filesystem::path& file, const FileState& state,
              std::unique_ptr<Key> root) {
    HiveCache& cache = Global().hives[static_cast<std::size_t>(hive)];
    cache.file = file;
    cache.state = state;
    cache.loaded = true;
    cache.root = std::move(root);
}

LoadResult LoadAndNote(Hive hive, const std::filesystem::path& file) {
    FileState before = StatFile(file);
    LoadResult load = LoadHiveFile(hive, file);
    if (!load.state.exists)
        load.state = before;
    NoteLoad(file, load.state, load);
    return load;
}

// Test hook for crash safety: with WINPAL_REGISTRY_FAULT=kill-before-rename the process kills
// itself once the temporary file is complete and synced, just before it would replace the hive.
void FaultPointBeforeRename() {
    const char* fault = std::getenv("WINPAL_REGISTRY_FAULT");
    if (fault && std::strcmp(fault, "kill-before-rename") == 0)
        raise(SIGKILL);
}

std::string TemporaryPrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + ".tmp-";
}

// Temporary files exist only while their writer holds the lock; any found under the lock were
// left by a writer that died.
void RemoveLeftoverTemporaries(const std::filesystem::path& file) {
    std::string prefix = TemporaryPrefix(file);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) {
            std::filesystem::remove(entry.path(), ec);
        }
    }
}

// Writes `root` to `file` through a temporary file and a rename (ReplaceFileDurably).
LONG SaveHive(Hive hive, const Key& root, const std::filesystem::path& file, FileState& state,
              std::string& error) {
    RemoveLeftoverTemporaries(file);
    std::string text(kRegHeader);
    AppendRegSections(
        root, RootName16(hive == Hive::Machine ? Root::LocalMachine : Root::CurrentUser), text);
    std::filesystem::path temporary =
        file.parent_path() / (TemporaryPrefix(file) + std::to_string(getpid()));
    if (ReplaceFileDurably(SystemDurableFileSystem(), file, temporary, text, error,
                           FaultPointBeforeRename) != 0) {
        return ERROR_CANTWRITE;
    }
    state = StatFile(file);
    return ERROR_SUCCESS;
}

}  // namespace

std::recursive_mutex& RegistryMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

std::filesystem::path HiveFile(Hive hive) {
    return PrefixPath() / (hive == Hive::Machine ? "system.reg" : "user.reg");
}

const Key* ReadHive(Hive hive) {
    HiveCache& cache = Global().hives[static_cast<std::size_t>(hive)];
    std::filesystem::path file = HiveFile(hive);
    if (cache.loaded && cache.file == file && cache.state == StatFile(file)) {
        return cache.root.get();
    }
    LoadResult load = LoadAndNote(hive, file);
    Remember(hive, file, load.state, std::move(load.root));
    return cache.root.get();
}

std::string LastLoadError() {
    ReadHive(Hive::Machine);
    ReadHive(Hive::User);
    return Global().lastError;
}

HiveWriter::HiveWriter() {
    std::filesystem::path lock = PrefixPath() / kLockFileName;
    lockFd_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd_ < 0) {
        lockStatus_ = ERROR_CANTWRITE;
        error_ = SystemError(lock, "cannot be opened", errno);
        return;
    }
    while (flock(lockFd_, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        lockStatus_ = ERROR_CANTWRITE;
        error_ = SystemError(lock, "cannot be locked", errno);
        close(lockFd_);
        lockFd_ = -1;
        return;
    }
}

HiveWriter::~HiveWriter() {
    if (lockFd_ >= 0)
        close(lockFd_);
}

LONG HiveWriter::Open(Hive hive, Key** root) {
    *root = nullptr;
    if (lockStatus_ != ERROR_SUCCESS)
        return lockStatus_;
    Slot& slot = slots_[Index(hive)];
    if (!slot.root) {
        LoadResult load = LoadAndNote(hive, HiveFile(hive));
        if (!load.root) {
            error_ = load.error;
            return load.status;
        }
        slot.root = std::move(load.root);
    }
    *root = slot.root.get();
    return ERROR_SUCCESS;
}

LONG HiveWriter::Commit() {
    if (lockStatus_ != ERROR_SUCCESS)
        return lockStatus_;
    for (Hive hive : {Hive::Machine, Hive::User}) {
        Slot& slot = slots_[Index(hive)];
        if (!slot.root || !slot.changed)
            continue;
        std::filesystem::path file = HiveFile(hive);
        FileState state;
        if (LONG status = SaveHive(hive, *slot.root, file, state, error_)) {
            std::fprintf(stderr, "winpal: cannot save the registry: %s\n", error_.c_str());
            return status;
        }
        Remember(hive, file, state, std::move(slot.root));
        slot.changed = false;
    }
    return ERROR_SUCCESS;
}

}  // namespace winpal::reg
