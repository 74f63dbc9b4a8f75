// The redo journal that makes a change atomic. A change writes its new objects into space the
// file does not use yet, then lists every byte range it must overwrite in place (header, tree
// nodes, freed blocks) with the bytes before and after in "<file>.journal", flushes it, applies
// it and removes it. Whoever opens the file later finds either no journal (old or new state on
// disk) or a complete one, which it applies again. docs/journal-format.md describes the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/file_names.h"
#include "dbx/file_reader.h"
#include "dbx/file_system.h"

namespace dbx {

struct JournalEntry {
    uint64_t offset = 0;
    std::string before;
    std::string after;
};

struct Journal {
    FileId target;             // the file the journal belongs to
    uint64_t target_size = 0;  // its length after the change
    std::vector<JournalEntry> entries;
};

std::string EncodeJournal(const Journal& journal);
// Nothing when the bytes are not a complete journal of this version (a crash while it was being
// written, or another version's journal).
std::optional<Journal> DecodeJournal(std::string_view bytes);
// Whether the bytes begin as a journal of another format version.
bool JournalOfAnotherVersion(std::string_view bytes);

// Whether the journal describes a change to `file` as it is now: same file, and every 512-byte
// sector of every entry holds either the bytes before or after the change (a crash may have
// stopped the application anywhere, but never leaves other bytes).
bool JournalMatches(const Journal& journal, File& file);

// Writes the journal durably at `path` (file and directory flushed).
void WriteJournal(FileSystem& fs, const std::filesystem::path& path, const Journal& journal);
// Writes every entry's new bytes, sets the length and flushes the file.
void ApplyJournal(const Journal& journal, File& file);
// The journal's new bytes as read overlays, for an opener that may not write.
std::vector<Patch> JournalPatches(const Journal& journal);

// Looks for a journal beside `path`. A matching one is applied to `file` (when `writable`) or
// returned for overlaying; a stale or incomplete one is removed (when `writable`) or ignored.
// Throws kUnsupported, touching nothing, for a journal of another format version.
std::optional<Journal> RecoverJournal(FileSystem& fs, const std::filesystem::path& path, File& file,
                                      bool writable);

}  // namespace dbx
