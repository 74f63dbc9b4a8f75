// Whether another process holds a file locked (flock), as the store does while it changes its
// files and the chunked copy does while it writes its temporary file.
#pragma once

#include <filesystem>

namespace filelocks {

// True when some other open of the file holds an exclusive lock on it right now; false when the
// file is free or cannot be opened.
bool LockedByAnother(const std::filesystem::path& path);

}  // namespace filelocks
