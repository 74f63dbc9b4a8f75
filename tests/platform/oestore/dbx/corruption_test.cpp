// Damaged files: every structure of the samples and of generated files is truncated, overwritten
// with bad values and made to loop. Reading must end with errors that name the structure and
// offset, never a crash, a hang or memory beyond a small multiple of the file size; messages the
// damage does not touch are still listed and readable.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <regex>
#include <set>

#include "allocation_meter.h"
#include "bytes.h"
#include "dbx/check.h"
#include "dbx/index_cursor.h"
#include "dbx_test_util.h"
#include "simulated_file_system.h"
#include "temp_prefix.h"

namespace {

using namespace dbx;

const std::string kPath = "/sim/damaged.dbx";

struct Outcome {
    bool opened = false;
    size_t listed = 0;
    size_t skipped = 0;
    size_t salvaged = 0;
    size_t texts_whole = 0;
    size_t findings = 0;
    std::set<std::string> texts;
};

void ExpectLocated(const std::string& message) {
    static const std::regex located("^[a-zA-Z0-9 ]+ at 0x[0-9A-F]+: .+");
    EXPECT_TRUE(std::regex_search(message, located)) << message;
}

// Everything a user can do with a file that is only read: open, list with salvage, read every
// text, look messages up, run the check.
Outcome ReadEverything(const std::string& bytes) {
    dbxtest::SimulatedFileSystem fs;
    fs.Put(kPath, bytes);
    OpenOptions options;
    options.fs = &fs;
    Outcome outcome;
    dbxtest::AllocationMeter meter;
    try {
        auto db = Database::Open(kPath, options);
        outcome.opened = true;
        CheckReport report = CheckDatabase(*db);
        outcome.findings = report.findings.issues.size();
        for (const Issue& issue : report.findings.issues)
            ExpectLocated(issue.ToString());
        if (db->kind() == TableKind::kMessages) {
            MessageFile file = MessageFile::Open(kPath, options);
            MessageCursor cursor = file.Messages(true);
            MessageInfo message;
            while (cursor.Next(message)) {
                ++outcome.listed;
                IssueList issues;
                std::string text = file.ReadText(message, &issues);
                if (issues.empty()) {
                    ++outcome.texts_whole;
                    outcome.texts.insert(text);
                }
                for (const Issue& issue : issues.issues)
                    ExpectLocated(issue.ToString());
                if (outcome.listed < 3)
                    file.Find(message.id);
            }
            for (const Issue& issue : cursor.issues().issues)
                ExpectLocated(issue.ToString());
            outcome.skipped = cursor.skipped();
            outcome.salvaged = cursor.salvaged();
        } else {
            FolderFile file = FolderFile::Open(kPath, options);
            IssueList issues;
            outcome.listed = file.List(&issues).size();
            file.List(&issues, FolderFile::Order::kByParentAndName);
            outcome.skipped = issues.issues.size();
            for (const Issue& issue : issues.issues)
                ExpectLocated(issue.ToString());
        }
    } catch (const Error& error) {
        if (error.issue()) {
            ExpectLocated(error.what());
        } else {
            ADD_FAILURE() << "error without a location: " << error.what();
        }
    }
    EXPECT_LT(meter.peak(), 8 * bytes.size() + (4u << 20))
        << "heap use reading a file of " << bytes.size() << " bytes";
    return outcome;
}

// A mailbox with a two-level index, watched messages, freed space and incremental changes.
std::string GeneratedMailbox(std::vector<std::string>* texts = nullptr) {
    testsupport::TempDir dir;
    auto path = dir.Path() / "Mail.dbx";
    std::vector<std::string> all = dbxtest::WriteMailbox(path, 120, 200);
    MessageFile file = MessageFile::Open(path, dbxtest::Writable());
    std::vector<uint32_t> doomed{20, 21, 60};
    file.Delete(doomed);
    std::vector<uint32_t> watched{4, 90};
    file.SetFlags(watched, msgflag::kWatch, 0);
    if (texts) {
        *texts = all;
        texts->erase(texts->begin() + 58);                       // id 60
        texts->erase(texts->begin() + 18, texts->begin() + 20);  // ids 20, 21
    }
    return testsupport::ReadFile(path);
}

std::string GeneratedFolders() {
    testsupport::TempDir dir;
    auto path = dir.Path() / "Folders.dbx";
    FolderFile folders = FolderFile::Create(path, {1, true});
    for (int n = 0; n < 12; ++n)
        folders.CreateFolder(kLocalFoldersId, {"Folder " + std::to_string(n), {}, 3, 0, 1, {}});
    folders.CreateFolder(5, {"Below", {}, 3, 0, 1, {}});
    folders.DeleteFolder(7);
    return testsupport::ReadFile(path);
}

// Addresses of the structures in a file, found with the reader.
struct Layout {
    std::vector<uint32_t> nodes, records, streams, free_blocks;
    uint32_t filter = 0;
};

Layout Map(const std::string& bytes) {
    dbxtest::SimulatedFileSystem fs;
    fs.Put(kPath, bytes);
    OpenOptions options;
    options.fs = &fs;
    auto db = Database::Open(kPath, options);
    Layout layout;
    for (int i = 0; i < static_cast<int>(db->indexes().size()); ++i) {
        IndexCursor cursor(*db, i, nullptr);
        uint32_t value = 0;
        while (cursor.Next(value)) {
            if (i == 0)
                layout.records.push_back(value);
        }
        layout.nodes.insert(layout.nodes.end(), cursor.nodes().begin(), cursor.nodes().end());
    }
    for (uint32_t record : layout.records) {
        if (uint32_t stream = db->ReadRecord(record).Dword(msgcol::kStream))
            layout.streams.push_back(stream);
    }
    for (uint32_t head : {hdr::kStreamFreeHead, hdr::kTreeFreeHead}) {
        if (db->header().Get(head))
            layout.free_blocks.push_back(db->header().Get(head));
    }
    for (int i = 0; i < static_cast<int>(db->indexes().size()); ++i) {
        if (db->header().filter_address(i))
            layout.filter = db->header().filter_address(i);
    }
    return layout;
}

std::string With(std::string bytes, uint64_t offset, uint32_t value) {
    if (offset + 4 <= bytes.size())
        StoreU32(Bytes(bytes) + offset, value);
    return bytes;
}

std::string WithByte(std::string bytes, uint64_t offset, uint8_t value) {
    if (offset < bytes.size())
        bytes[offset] = static_cast<char>(value);
    return bytes;
}

std::vector<std::pair<std::string, std::string>> Subjects() {
    std::vector<std::pair<std::string, std::string>> subjects{
        {"generated mailbox", GeneratedMailbox()}, {"generated folders", GeneratedFolders()}};
    for (const char* name : {"Inbox.dbx", "Folders.dbx", "Outbox.dbx"})
        subjects.emplace_back(name, testsupport::ReadFile(dbxtest::Sample(name)));
    return subjects;
}

TEST(Corruption, TruncatedFiles) {
    for (const auto& [name, bytes] : Subjects()) {
        SCOPED_TRACE(name);
        Layout layout = Map(bytes);
        std::vector<uint64_t> lengths{
            0, 4, 100, kHeaderSize - 1, kHeaderSize, kHeaderSize + 0x100, bytes.size() - 1};
        for (uint64_t at = 0x10000; at < bytes.size(); at += 0x8000)
            lengths.push_back(at);
        for (uint32_t address : layout.nodes)
            lengths.push_back(address + 0x20);
        for (size_t k = 0; k < layout.records.size(); k += 17)
            lengths.push_back(layout.records[k] + 6);
        for (size_t k = 0; k < layout.streams.size(); k += 23)
            lengths.push_back(layout.streams[k] + 0x100);
        for (uint64_t length : lengths) {
            if (length < bytes.size())
                ReadEverything(bytes.substr(0, static_cast<size_t>(length)));
        }
    }
}

TEST(Corruption, HeaderFieldsWithBadValues) {
    for (const auto& [name, bytes] : Subjects()) {
        SCOPED_TRACE(name);
        uint32_t size = static_cast<uint32_t>(bytes.size());
        std::vector<uint32_t> offsets;
        for (uint32_t offset = 0; offset < 0x130; offset += 4)
            offsets.push_back(offset);
        for (uint32_t offset = 0x27C; offset < 0x2A0; offset += 4)
            offsets.push_back(offset);
        for (uint32_t offset = hdr::kIndexDefinitions; offset < hdr::kIndexDefinitions + 0x70;
             offset += 2) {
            offsets.push_back(offset);
        }
        for (uint32_t offset : offsets) {
            for (uint32_t value : {0u, 0xFFFFFFFFu, size - 4, size + 0x1000, 0x2AD5u}) {
                ReadEverything(With(bytes, offset, value));
            }
        }
        EXPECT_FALSE(ReadEverything(With(bytes, 0, 0)).opened) << "bad magic";
        EXPECT_FALSE(ReadEverything(With(bytes, 4, 0xC7)).opened) << "another table kind";
    }
}

TEST(Corruption, TreeNodesWithBadValuesAndLoops) {
    for (const auto& [name, bytes] : Subjects()) {
        SCOPED_TRACE(name);
        Layout layout = Map(bytes);
        for (uint32_t node : layout.nodes) {
            for (uint32_t field : {0x00u, 0x08u, 0x0Cu, 0x14u, 0x18u, 0x1Cu, 0x20u, 0x24u}) {
                for (uint32_t value : {0u, 0xFFFFFFF0u, node, node + 2, layout.nodes[0]}) {
                    ReadEverything(With(bytes, node + field, value));
                }
            }
            for (uint8_t count : {0, 1, 52, 255})
                ReadEverything(WithByte(bytes, node + 0x11, count));
            EXPECT_GT(ReadEverything(With(bytes, node, 0)).findings, 0u)
                << "marker of " << Hex(node);
        }
    }
}

TEST(Corruption, RecordsWithBadValues) {
    for (const auto& [name, bytes] : Subjects()) {
        SCOPED_TRACE(name);
        Layout layout = Map(bytes);
        for (size_t k = 0; k < layout.records.size(); k += 7) {
            uint32_t record = layout.records[k];
            for (uint32_t field : {0x00u, 0x04u, 0x0Cu, 0x10u, 0x14u, 0x18u}) {
                for (uint32_t value : {0u, 0xFFFFFFFFu, 0x00FFFF00u, 0x3u, record}) {
                    ReadEverything(With(bytes, record + field, value));
                }
            }
            for (uint8_t columns : {0, 1, 100, 255})
                ReadEverything(WithByte(bytes, record + 10, columns));
            EXPECT_GT(ReadEverything(With(bytes, record + 4, 0x10000)).findings, 0u);
        }
    }
}

TEST(Corruption, TextChainsWithBadValuesAndLoops) {
    std::string bytes = GeneratedMailbox();
    Layout layout = Map(bytes);
    for (size_t k = 0; k < layout.streams.size(); k += 9) {
        uint32_t block = layout.streams[k];
        for (uint32_t field : {0x00u, 0x04u, 0x08u, 0x0Cu}) {
            for (uint32_t value : {0u, 0x201u, 0xFFFFFFF0u, block, block + 2, layout.streams[0]}) {
                Outcome outcome = ReadEverything(With(bytes, block + field, value));
                EXPECT_GE(outcome.listed, layout.records.size())
                    << "a damaged text hides no message";
            }
        }
    }
}

TEST(Corruption, FreeListsWithBadValuesAndLoops) {
    std::string bytes = GeneratedMailbox();
    Layout layout = Map(bytes);
    ASSERT_FALSE(layout.free_blocks.empty());
    for (uint32_t block : layout.free_blocks) {
        for (uint32_t value : {block, 0xFFFFFFF0u, block + 2, 0x2AD4u}) {
            EXPECT_GT(ReadEverything(With(bytes, block + 0x10, value)).findings, 0u);
        }
    }
    if (layout.filter) {
        for (uint32_t value : {0u, 0xFFFFFFFFu}) {
            ReadEverything(With(bytes, layout.filter, value));
            ReadEverything(With(bytes, layout.filter + 4, value));
        }
    }
}

TEST(Corruption, RandomByteDamage) {
    for (const auto& [name, bytes] : Subjects()) {
        SCOPED_TRACE(name);
        std::mt19937 random(42);
        for (int round = 0; round < 150; ++round) {
            std::string damaged = bytes;
            for (int flips = 0; flips < 1 + round % 8; ++flips) {
                damaged[random() % damaged.size()] = static_cast<char>(random());
            }
            ReadEverything(damaged);
        }
    }
}

// A damaged interior index node hides whole subtrees; the scan finds their messages again.
TEST(Corruption, DamagedIndexIsSalvaged) {
    std::vector<std::string> texts;
    std::string bytes = GeneratedMailbox(&texts);
    Layout layout = Map(bytes);
    dbxtest::SimulatedFileSystem fs;
    fs.Put(kPath, bytes);
    OpenOptions options;
    options.fs = &fs;
    auto db = Database::Open(kPath, options);
    uint32_t root = db->header().root(0);
    ASSERT_NE(db->ReadNode(root).leftmost, 0u) << "a two-level index";
    uint32_t leaf = db->ReadNode(root).leftmost;

    for (uint32_t broken : {leaf, root}) {
        Outcome outcome = ReadEverything(With(bytes, broken, 0));
        EXPECT_GT(outcome.skipped, 0u);
        EXPECT_GT(outcome.salvaged, 0u);
        EXPECT_EQ(outcome.listed, texts.size());
        EXPECT_EQ(outcome.texts, std::set<std::string>(texts.begin(), texts.end()));
    }
    // A damaged record is skipped and counted; the others stay readable.
    Outcome outcome = ReadEverything(With(bytes, layout.records[10], 0));
    EXPECT_EQ(outcome.skipped, 1u);
    EXPECT_EQ(outcome.listed, texts.size() - 1);
}

}  // namespace

namespace {

// The entry of a direct column of the record at `address`, found in the file's bytes.
uint8_t* DirectColumn(std::string& bytes, uint32_t address, uint8_t column) {
    uint8_t* record = Bytes(bytes) + address;
    for (uint8_t k = 0; k < record[10]; ++k) {
        uint8_t* entry = record + kRecordHeaderSize + 4 * k;
        if ((entry[0] & 0x7F) == column && (entry[0] & 0x80))
            return entry;
    }
    ADD_FAILURE() << "no direct column " << int(column) << " at " << Hex(address);
    return nullptr;
}

std::string WithSizeColumn(std::string bytes, uint32_t address, int32_t change) {
    if (uint8_t* entry = DirectColumn(bytes, address, msgcol::kSize)) {
        uint32_t value = LoadU32(entry) >> 8;
        StoreU32(entry, ((value + static_cast<uint32_t>(change)) << 8) | 0x80 | msgcol::kSize);
    }
    return bytes;
}

// The first record whose body has padding after its values, and where that padding starts.
std::pair<uint32_t, uint32_t> PaddedRecord(const std::string& bytes,
                                           const std::vector<uint32_t>& records) {
    dbxtest::SimulatedFileSystem fs;
    fs.Put(kPath, bytes);
    OpenOptions options;
    options.fs = &fs;
    auto db = Database::Open(kPath, options);
    for (uint32_t address : records) {
        Record record = db->ReadRecord(address);
        uint32_t used = kRecordHeaderSize + 4 * static_cast<uint32_t>(record.columns.size());
        for (const Column& column : record.columns)
            used += column.direct ? 0 : static_cast<uint32_t>(column.data.size());
        if (used < record.EncodedSize())
            return {address, used};
    }
    ADD_FAILURE() << "no record with padding";
    return {0, 0};
}

// Messages: two with text around one whose body was never downloaded (no text, no has-body
// flag), one carrying columns this library does not know.
std::string MailboxOfOddMessages(std::vector<std::string>* texts) {
    dbxtest::SimulatedFileSystem fs;
    MailboxWriter writer(kPath, {9, "Odd", 3, "LocalStore", 0}, &fs);
    *texts = {dbxtest::MakeMessage(1), "", dbxtest::MakeMessage(3)};
    writer.Add((*texts)[0]);
    writer.Add("", MessageRecordFromText("Subject: only the header was fetched\r\n\r\n"));
    Record unknown = MessageRecordFromText((*texts)[2]);
    unknown.SetString(0x23, "MSG982493141.24");
    unknown.SetDword(0x3F, 7);
    writer.Add((*texts)[2], unknown);
    writer.Finish();
    return fs.Get(kPath);
}

struct Shape {
    const char* name;
    std::string bytes;
    bool noted;  // the check tells of the difference
};

}  // namespace

// Shapes that files the mail client wrote show. None of them loses anything: the check finds
// nothing (at most it notes the difference), and every message is listed and reads in full.
TEST(Corruption, RealFileShapesPassTheCheck) {
    std::vector<std::string> texts;
    const std::string mailbox = GeneratedMailbox(&texts);
    const Layout layout = Map(mailbox);
    const auto [padded, padding] = PaddedRecord(mailbox, layout.records);
    std::string garbage_padding = mailbox;
    const uint32_t block = kRecordHeaderSize + LoadU32(Bytes(mailbox) + padded + 4);
    std::fill(garbage_padding.begin() + padded + padding, garbage_padding.begin() + padded + block,
              '\xEE');
    std::string rewritten = mailbox;
    rewritten[layout.records[5] + 0x0B] = 5;
    StoreU16(Bytes(rewritten) + layout.records[5] + 8,
             static_cast<uint16_t>(kRecordHeaderSize +
                                   LoadU32(Bytes(rewritten) + layout.records[5] + 4)));
    std::string statistics = mailbox;
    StoreU32(Bytes(statistics) + hdr::kFreeBytes,
             LoadU32(Bytes(statistics) + hdr::kFreeBytes) + 0x68);
    StoreU32(Bytes(statistics) + hdr::kLiveBytes,
             LoadU32(Bytes(statistics) + hdr::kLiveBytes) + 0x68);

    const std::vector<Shape> shapes = {
        {"the SIZE column is smaller than the text",
         WithSizeColumn(mailbox, layout.records[3], -0x1E), true},
        {"the SIZE column is larger than the text",
         WithSizeColumn(mailbox, layout.records[40], 0xB6), true},
        {"a record the mail client rewrote: version 5, length field set", rewritten, false},
        {"garbage in a record's padding", garbage_padding, false},
        {"the header's byte statistics are off", statistics, true},
        {"the file runs past its last 64 KiB step", mailbox + std::string(0x200, '\0'), true},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        dbxtest::SimulatedFileSystem fs;
        fs.Put(kPath, shape.bytes);
        OpenOptions options;
        options.fs = &fs;
        CheckReport report = CheckDatabase(*Database::Open(kPath, options));
        EXPECT_EQ(dbxtest::CheckFindings(*Database::Open(kPath, options)), "");
        EXPECT_EQ(report.notes.empty(), !shape.noted);
        Outcome outcome = ReadEverything(shape.bytes);
        EXPECT_EQ(outcome.listed, texts.size());
        EXPECT_EQ(outcome.skipped + outcome.salvaged, 0u);
        EXPECT_EQ(outcome.texts, std::set<std::string>(texts.begin(), texts.end()));
    }

    std::vector<std::string> odd_texts;
    const std::string odd = MailboxOfOddMessages(&odd_texts);
    Outcome outcome = ReadEverything(odd);
    EXPECT_EQ(outcome.findings, 0u);
    EXPECT_EQ(outcome.listed, 3u);
    EXPECT_EQ(outcome.texts, std::set<std::string>(odd_texts.begin(), odd_texts.end()));
}
