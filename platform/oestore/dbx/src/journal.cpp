#include "journal.h"

#include <algorithm>
#include <cstring>

#include "bytes.h"
#include "crc32.h"
#include "dbx/error.h"
#include "dbx/format.h"

namespace dbx {

namespace {

// "DBXJRNL" and the format version (docs/journal-format.md).
constexpr char kJournalMagic[7] = {'D', 'B', 'X', 'J', 'R', 'N', 'L'};
constexpr char kJournalVersion = '1';
constexpr size_t kJournalHeadSize = sizeof kJournalMagic + 1;
constexpr uint64_t kSector = 512;
// A journal lists byte ranges of the file it changes, each with two copies and a 12-byte head,
// so it is never larger than this many times the file; a bigger one is not read at all.
constexpr uint64_t kMostJournalBytesPerFileByte = 16;
constexpr uint64_t kSmallestJournalAllowance = 1 << 16;

// Little-endian reader over the journal bytes; fails softly at the end.
struct Cursor {
    std::string_view bytes;
    size_t pos = 0;
    bool ok = true;
    uint64_t Take(size_t width) {
        if (!ok || bytes.size() - pos < width) {
            ok = false;
            return 0;
        }
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + pos);
        pos += width;
        return width == 4 ? LoadU32(p) : LoadU64(p);
    }
    std::string TakeBytes(uint64_t length) {
        if (!ok || bytes.size() - pos < length) {
            ok = false;
            return {};
        }
        std::string out(bytes.substr(pos, static_cast<size_t>(length)));
        pos += static_cast<size_t>(length);
        return out;
    }
};

}  // namespace

std::string EncodeJournal(const Journal& journal) {
    std::string out(kJournalMagic, sizeof kJournalMagic);
    out += kJournalVersion;
    AppendU64(out, journal.target.device);
    AppendU64(out, journal.target.inode);
    AppendU64(out, journal.target_size);
    AppendU32(out, static_cast<uint32_t>(journal.entries.size()));
    for (const JournalEntry& entry : journal.entries) {
        AppendU64(out, entry.offset);
        AppendU32(out, static_cast<uint32_t>(entry.after.size()));
        out += entry.before;
        out += entry.after;
    }
    AppendU32(out, Crc32(out));
    return out;
}

bool JournalOfAnotherVersion(std::string_view bytes) {
    return bytes.size() >= kJournalHeadSize &&
           std::memcmp(bytes.data(), kJournalMagic, sizeof kJournalMagic) == 0 &&
           bytes[sizeof kJournalMagic] != kJournalVersion && bytes[sizeof kJournalMagic] != '\0';
}

std::optional<Journal> DecodeJournal(std::string_view bytes) {
    if (bytes.size() < kJournalHeadSize + 4 ||
        std::memcmp(bytes.data(), kJournalMagic, sizeof kJournalMagic) != 0 ||
        bytes[sizeof kJournalMagic] != kJournalVersion) {
        return std::nullopt;
    }
    std::string_view body = bytes.substr(0, bytes.size() - 4);
    if (Crc32(body) != LoadU32(reinterpret_cast<const uint8_t*>(bytes.data() + body.size()))) {
        return std::nullopt;
    }
    Cursor in{body, kJournalHeadSize};
    Journal journal;
    journal.target.device = in.Take(8);
    journal.target.inode = in.Take(8);
    journal.target_size = in.Take(8);
    uint64_t count = in.Take(4);
    for (uint64_t i = 0; i < count && in.ok; ++i) {
        JournalEntry entry;
        entry.offset = in.Take(8);
        uint64_t length = in.Take(4);
        entry.before = in.TakeBytes(length);
        entry.after = in.TakeBytes(length);
        journal.entries.push_back(std::move(entry));
    }
    if (!in.ok || in.pos != body.size())
        return std::nullopt;
    return journal;
}

bool JournalMatches(const Journal& journal, File& file) {
    if (!(file.Id() == journal.target))
        return false;
    // A change leaves a file with at least its header and within what 32-bit addresses reach.
    if (journal.target_size < kHeaderSize || journal.target_size > kMaxFileSize)
        return false;
    // Every range overwrites bytes the file has: a change never journals its growth.
    const uint64_t size = file.Size();
    for (const JournalEntry& entry : journal.entries) {
        if (entry.offset > size || entry.after.size() > size - entry.offset)
            return false;
    }
    std::string current;
    for (const JournalEntry& entry : journal.entries) {
        current.resize(entry.after.size());
        if (file.ReadAt(entry.offset, current.data(), current.size()) != current.size()) {
            return false;
        }
        uint64_t pos = entry.offset, end = entry.offset + entry.after.size();
        while (pos < end) {
            uint64_t piece_end = std::min(end, (pos / kSector + 1) * kSector);
            size_t from = static_cast<size_t>(pos - entry.offset);
            size_t length = static_cast<size_t>(piece_end - pos);
            std::string_view now(current.data() + from, length);
            if (now != std::string_view(entry.before).substr(from, length) &&
                now != std::string_view(entry.after).substr(from, length)) {
                return false;
            }
            pos = piece_end;
        }
    }
    return true;
}

void WriteJournal(FileSystem& fs, const std::filesystem::path& path, const Journal& journal) {
    std::string bytes = EncodeJournal(journal);
    auto file = fs.Open(path, OpenMode::kCreate);
    file->WriteAt(0, bytes.data(), bytes.size());
    file->Sync();
    fs.SyncDirectory(path.parent_path());
}

void ApplyJournal(const Journal& journal, File& file) {
    for (const JournalEntry& entry : journal.entries) {
        file.WriteAt(entry.offset, entry.after.data(), entry.after.size());
    }
    if (file.Size() != journal.target_size)
        file.Truncate(journal.target_size);
    file.Sync();
}

std::vector<Patch> JournalPatches(const Journal& journal) {
    std::vector<Patch> patches;
    for (const JournalEntry& entry : journal.entries)
        patches.push_back({entry.offset, entry.after});
    return patches;
}

std::optional<Journal> RecoverJournal(FileSystem& fs, const std::filesystem::path& path, File& file,
                                      bool writable) {
    std::filesystem::path journal_path = JournalPath(path);
    if (!fs.Exists(journal_path))
        return std::nullopt;
    std::string bytes;
    {
        auto journal_file = fs.Open(journal_path, OpenMode::kRead);
        const uint64_t length = journal_file->Size();
        if (length <=
            std::max(kSmallestJournalAllowance, kMostJournalBytesPerFileByte * file.Size())) {
            bytes.resize(static_cast<size_t>(length));
            bytes.resize(journal_file->ReadAt(0, bytes.data(), bytes.size()));
        }
    }
    if (JournalOfAnotherVersion(bytes)) {
        // A change another version of this library began: only that version can finish it, so
        // the file is left exactly as it is.
        throw Error(ErrorCode::kUnsupported,
                    journal_path.string() +
                        " was written by another version of this program; open the file with "
                        "that version so that it can finish its change");
    }
    std::optional<Journal> journal = DecodeJournal(bytes);
    if (journal && !JournalMatches(*journal, file))
        journal.reset();
    if (writable) {
        if (journal)
            ApplyJournal(*journal, file);
        fs.Remove(journal_path);
        fs.SyncDirectory(journal_path.parent_path());
    }
    return journal;
}

}  // namespace dbx
