// The temporary files of the chunked copy. A copy writes into a temporary file beside its
// destination and renames it over the destination only when it is complete, so that a run that
// is killed leaves at most such a file behind. The file's name holds the process id and the
// process's start time, and the copying process holds a lock on it; a later run removes the ones
// it can prove belong to a run that is over.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace copytemp {

// Who made a temporary file: a process id and that process's start time (clock ticks since boot),
// which together name one process even after its id is used again.
struct Owner {
    pid_t pid = 0;
    std::uint64_t start = 0;
    bool operator==(const Owner&) const = default;
};

// This process.
Owner Self();
// The process with this id as it runs now, or nothing when none runs.
std::optional<Owner> Running(pid_t pid);

// A new temporary file name beside `destination`, for this process.
std::filesystem::path TempPathFor(const std::filesystem::path& destination);
// The owner a temporary file's name records; nothing for any other name.
std::optional<Owner> OwnerOfTempName(std::string_view name);

// Removes the temporary files in `folder` whose owner no longer runs and that no process holds
// locked. Returns how many were removed.
int RemoveStaleTempFiles(const std::filesystem::path& folder);

}  // namespace copytemp
