#include "journal.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "bytes.h"
#include "dbx/error.h"

namespace dbx {

namespace {

constexpr char kJournalMagic[8] = {'D', 'B', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr uint64_t kSector = 512;

uint32_t Crc32(std::string_view bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

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

std::filesystem::path JournalPath(const std::filesystem::path& file) {
    return std::filesystem::path(file.string() + ".journal");
}

std::string EncodeJournal(const Journal& journal) {
    std::string out(kJournalMagic, sizeof kJournalMagic);
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

std::optional<Journal> DecodeJournal(std::string_view bytes) {
    if (bytes.size() < sizeof kJournalMagic + 4 ||
        std::memcmp(bytes.data(), kJournalMagic, sizeof kJournalMagic) != 0) {
        return std::nullopt;
    }
    std::string_view body = bytes.substr(0, bytes.size() - 4);
    if (Crc32(body) != LoadU32(reinterpret_cast<const uint8_t*>(bytes.data() + body.size()))) {
        return std::nullopt;
    }
    Cursor in{body, sizeof kJournalMagic};
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
        bytes.resize(static_cast<size_t>(journal_file->Size()));
        bytes.resize(journal_file->ReadAt(0, bytes.data(), bytes.size()));
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
