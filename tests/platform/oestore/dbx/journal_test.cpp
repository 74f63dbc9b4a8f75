// The change journal beside a file (docs/journal-format.md): a complete journal that matches the
// file is applied by whoever opens it; any other journal leaves the file exactly as it is.
#include <gtest/gtest.h>

#include <functional>

#include "bytes.h"
#include "dbx_test_util.h"
#include "journal.h"
#include "simulated_file_system.h"

namespace {

using namespace dbx;

const std::string kMailbox = "/sim/Mail.dbx";
const std::string kJournal = "/sim/Mail.dbx.journal";
// A second range that crosses from the first 512-byte sector into the second.
constexpr uint64_t kCrossing = 0x1F8;
constexpr size_t kCrossingLength = 16;

struct JournalScene {
    dbxtest::SimulatedFileSystem fs;
    Journal journal;
    uint32_t old_last_id = 0;
    uint32_t new_last_id = 0;
};

std::string U32(uint32_t value) {
    std::string bytes(4, '\0');
    StoreU32(Bytes(bytes), value);
    return bytes;
}

// A mailbox and a journal that moves its id counter on and fills a few unused header bytes.
void Prepare(JournalScene& scene) {
    dbx::MailboxWriter writer(kMailbox, {9, "Mail", 3, "LocalStore", 0}, &scene.fs);
    writer.Add(dbxtest::MakeMessage(1));
    writer.Finish();
    std::string bytes = scene.fs.Get(kMailbox);
    scene.old_last_id = LoadU32(Bytes(bytes) + hdr::kLastId);
    scene.new_last_id = scene.old_last_id + 7;
    scene.journal.target = scene.fs.Open(kMailbox, OpenMode::kRead)->Id();
    scene.journal.target_size = bytes.size();
    scene.journal.entries.push_back({hdr::kLastId, U32(scene.old_last_id), U32(scene.new_last_id)});
    scene.journal.entries.push_back({kCrossing, bytes.substr(kCrossing, kCrossingLength),
                                     std::string(kCrossingLength, '\xAB')});
}

uint32_t LastIdSeen(dbxtest::SimulatedFileSystem& fs, bool writable) {
    OpenOptions options = dbxtest::Writable(&fs);
    options.writable = writable;
    return Database::Open(kMailbox, options)->header().last_id();
}

// CRC-32 as zlib computes it, bit by bit.
uint32_t ZlibCrc32(std::string_view bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

struct JournalCase {
    const char* name;
    // Changes the journal's bytes, or the file, before anyone opens it.
    std::function<void(JournalScene&, std::string& journal_bytes)> damage;
    bool applied;
};

TEST(Journal, OnlyACompleteMatchingJournalIsApplied) {
    const std::vector<JournalCase> cases = {
        {"complete", [](JournalScene&, std::string&) {}, true},
        {"complete, the crash came after the second sector was written",
         [](JournalScene& scene, std::string&) {
             auto file = scene.fs.Open(kMailbox, OpenMode::kReadWrite);
             file->WriteAt(0x200, std::string(8, '\xAB').data(), 8);
         },
         true},
        {"bad magic", [](JournalScene&, std::string& bytes) { bytes[0] = 'X'; }, false},
        {"checksum mismatch", [](JournalScene&, std::string& bytes) { bytes[40] ^= 1; }, false},
        {"truncated tail",
         [](JournalScene&, std::string& bytes) { bytes.resize(bytes.size() - 9); }, false},
        {"empty", [](JournalScene&, std::string& bytes) { bytes.clear(); }, false},
        {"another file's",
         [](JournalScene& scene, std::string& bytes) {
             scene.journal.target.inode += 1;
             bytes = EncodeJournal(scene.journal);
         },
         false},
        {"a sector matches neither the old nor the new bytes",
         [](JournalScene& scene, std::string&) {
             auto file = scene.fs.Open(kMailbox, OpenMode::kReadWrite);
             file->WriteAt(0x205, "\x01", 1);
         },
         false},
    };
    for (const JournalCase& c : cases) {
        SCOPED_TRACE(c.name);
        JournalScene scene;
        Prepare(scene);
        std::string bytes = EncodeJournal(scene.journal);
        c.damage(scene, bytes);
        scene.fs.Put(kJournal, bytes);
        const std::string file_before = scene.fs.Get(kMailbox);

        // A reader that may not write sees the outcome and changes nothing.
        EXPECT_EQ(LastIdSeen(scene.fs, false), c.applied ? scene.new_last_id : scene.old_last_id);
        EXPECT_EQ(scene.fs.Get(kMailbox), file_before);
        EXPECT_TRUE(scene.fs.Has(kJournal));

        // A writer finishes the change or leaves the file alone, and removes the journal.
        EXPECT_EQ(LastIdSeen(scene.fs, true), c.applied ? scene.new_last_id : scene.old_last_id);
        EXPECT_FALSE(scene.fs.Has(kJournal));
        const std::string file_after = scene.fs.Get(kMailbox);
        if (c.applied) {
            EXPECT_EQ(file_after.substr(kCrossing, kCrossingLength),
                      std::string(kCrossingLength, '\xAB'));
        } else {
            EXPECT_EQ(file_after, file_before);
        }
        EXPECT_EQ(dbxtest::CheckFindings(*Database::Open(kMailbox, dbxtest::Writable(&scene.fs))),
                  "");
    }
}

TEST(Journal, AnotherVersionsJournalKeepsTheFileClosed) {
    JournalScene scene;
    Prepare(scene);
    std::string bytes = EncodeJournal(scene.journal);
    bytes[7] = '2';
    scene.fs.Put(kJournal, bytes);
    const std::string file_before = scene.fs.Get(kMailbox);
    for (bool writable : {false, true}) {
        try {
            LastIdSeen(scene.fs, writable);
            ADD_FAILURE() << "opened beside another version's journal";
        } catch (const Error& error) {
            EXPECT_EQ(error.code(), ErrorCode::kUnsupported);
            EXPECT_NE(std::string(error.what()).find("another version"), std::string::npos);
        }
    }
    EXPECT_EQ(scene.fs.Get(kMailbox), file_before);
    EXPECT_EQ(scene.fs.Get(kJournal), bytes);
}

TEST(Journal, EncodingRoundTripsAndTheLayoutIsTheDocumentedOne) {
    ASSERT_EQ(ZlibCrc32("123456789"), 0xCBF43926u);
    Journal journal{{0x0102, 0x0304}, 0x10000, {{0x5C, "abcd", "wxyz"}, {0x300, "", ""}}};
    std::string bytes = EncodeJournal(journal);
    ASSERT_EQ(bytes.size(), 36u + (12 + 8) + 12 + 4);
    EXPECT_EQ(bytes.substr(0, 8), "DBXJRNL1");
    EXPECT_EQ(LoadU64(Bytes(bytes) + 8), 0x0102u);
    EXPECT_EQ(LoadU64(Bytes(bytes) + 16), 0x0304u);
    EXPECT_EQ(LoadU64(Bytes(bytes) + 24), 0x10000u);
    EXPECT_EQ(LoadU32(Bytes(bytes) + 32), 2u);
    EXPECT_EQ(bytes.substr(36 + 12, 8), "abcdwxyz");
    std::optional<Journal> decoded = DecodeJournal(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->target, journal.target);
    EXPECT_EQ(decoded->target_size, journal.target_size);
    ASSERT_EQ(decoded->entries.size(), 2u);
    EXPECT_EQ(decoded->entries[0].after, "wxyz");
    EXPECT_EQ(LoadU32(Bytes(bytes) + bytes.size() - 4),
              ZlibCrc32(std::string_view(bytes).substr(0, bytes.size() - 4)));
}

}  // namespace
