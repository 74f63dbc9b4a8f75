// Writing new files: the samples rewritten (byte for byte where the mail client's own layout is
// known), and generated files of every tree shape, cross-checked with the independent reader.
#include <gtest/gtest.h>

#include <algorithm>

#include "dbx/check.h"
#include "dbx/index_cursor.h"
#include "dbx_test_util.h"
#include "temp_prefix.h"

namespace {

using namespace dbx;
using dbxtest::CheckFindings;
using dbxtest::Sample;
using testsupport::ReadFile;
using testsupport::TempDir;

TEST(Writer, SamplesPassTheConsistencyCheck) {
    for (const char* name : {"Inbox.dbx", "Outbox.dbx", "Folders.dbx"}) {
        EXPECT_EQ(CheckFindings(Sample(name)), "") << name;
    }
}

// A compacted empty folder file is exactly what the mail client wrote for its new Outbox.
TEST(Writer, CompactingTheEmptyOutboxReproducesItByteForByte) {
    TempDir dir;
    auto copy = dbxtest::CopyTo(Sample("Outbox.dbx"), dir.Path());
    MessageFile::Open(copy, dbxtest::Writable()).Compact();
    EXPECT_TRUE(ReadFile(copy) == ReadFile(Sample("Outbox.dbx")));
}

TEST(Writer, CompactingInboxKeepsEveryColumnAndTheText) {
    TempDir dir;
    auto copy = dbxtest::CopyTo(Sample("Inbox.dbx"), dir.Path());
    MessageFile original = MessageFile::Open(Sample("Inbox.dbx"));
    MessageFile file = MessageFile::Open(copy, dbxtest::Writable());
    file.Compact();
    EXPECT_EQ(dbxtest::SnapshotMessages(file), dbxtest::SnapshotMessages(original));
    EXPECT_EQ(file.header().last_id(), original.header().last_id());
    EXPECT_EQ(file.database().user_data(), original.database().user_data());
    EXPECT_EQ(file.header().Get(hdr::kFreeBytes), 0u);
    EXPECT_EQ(file.header().Get(hdr::kAllocatedBytes),
              original.header().Get(hdr::kAllocatedBytes) - original.header().Get(hdr::kFreeBytes));
    EXPECT_EQ(CheckFindings(copy), "");
    // A compacted file compacts to itself.
    std::string once = ReadFile(copy);
    file.Compact();
    EXPECT_TRUE(ReadFile(copy) == once);
    auto undbx = dbxtest::ExtractWithUndbx(copy, dir.Path());
    if (undbx) {
        EXPECT_EQ(*undbx, std::vector<std::string>{original.ReadText(2)});
    }
}

TEST(Writer, CompactingFoldersKeepsRecordsAndIndexOrder) {
    TempDir dir;
    auto copy = dbxtest::CopyTo(Sample("Folders.dbx"), dir.Path());
    FolderFile original = FolderFile::Open(Sample("Folders.dbx"));
    FolderFile file = FolderFile::Open(copy, dbxtest::Writable());
    file.Compact();
    EXPECT_EQ(dbxtest::SnapshotFolders(file), dbxtest::SnapshotFolders(original));
    EXPECT_EQ(CheckFindings(copy), "");
    // Indexes 1 and 2 list the folders in the order the mail client stored them.
    for (int index : {1, 2}) {
        auto ids = [&](Database& db) {
            std::vector<uint32_t> list;
            IndexCursor cursor(db, index, nullptr);
            uint32_t address = 0;
            while (cursor.Next(address))
                list.push_back(db.ReadRecord(address).Dword(fldcol::kId));
            return list;
        };
        EXPECT_EQ(ids(file.database()), ids(original.database())) << "index " << index;
    }
    std::string once = ReadFile(copy);
    file.Compact();
    EXPECT_TRUE(ReadFile(copy) == once);
}

class GeneratedMailbox : public testing::TestWithParam<uint32_t> {};

TEST_P(GeneratedMailbox, IsCleanAndReadsBackEverywhere) {
    TempDir dir;
    uint32_t count = GetParam();
    auto path = dir.Path() / "Generated.dbx";
    std::vector<std::string> texts = dbxtest::WriteMailbox(path, count);
    EXPECT_EQ(CheckFindings(path), "");

    MessageFile file = MessageFile::Open(path);
    EXPECT_EQ(file.count(), count);
    EXPECT_EQ(file.header().last_id(), count + 1);
    std::vector<MessageInfo> messages = file.List();
    ASSERT_EQ(messages.size(), count);
    for (uint32_t n = 0; n < count; ++n) {
        EXPECT_EQ(messages[n].id, n + 2);
        ASSERT_EQ(file.ReadText(messages[n]), texts[n]);
        EXPECT_EQ(messages[n].normalized_subject, "message number " + std::to_string(n));
    }
    // Allocation order of a new file: filter string and records first, then the first text,
    // then the first tree node.
    if (count > 0) {
        EXPECT_EQ(file.header().filter_address(1), 0x2AD4u);
        EXPECT_EQ(messages[0].stream, 0x2AD4u + kVariableSegmentSize);
        EXPECT_EQ(file.header().root(0) % 4, 0u);
    }
    auto undbx = dbxtest::ExtractWithUndbx(path, dir.Path());
    if (undbx) {
        std::sort(texts.begin(), texts.end());
        EXPECT_TRUE(*undbx == texts) << "undbx extracted " << undbx->size() << " messages";
    }
}

INSTANTIATE_TEST_SUITE_P(TreeShapes, GeneratedMailbox, testing::Values(0u, 1u, 51u, 52u, 2600u));

TEST(Writer, LayoutOfASmallFileFollowsTheMailClient) {
    TempDir dir;
    auto path = dir.Path() / "Small.dbx";
    dbxtest::WriteMailbox(path, 24);
    MessageFile file = MessageFile::Open(path);
    const FileHeader& h = file.header();
    EXPECT_EQ(h.last_segment(SegmentKind::kVariable), 0x2AD4u);
    EXPECT_EQ(h.last_segment(SegmentKind::kTree),
              0x2AD4u + kVariableSegmentSize + kStreamSegmentSize);
    EXPECT_EQ(h.root(0), h.last_segment(SegmentKind::kTree));
    EXPECT_EQ(h.segment_used(SegmentKind::kTree), kTreeNodeSize);
    EXPECT_EQ(h.live_bytes(BlockType::kFilter), 0x50u);
    EXPECT_EQ(h.Get(hdr::kConstant68), 0x68u);
    EXPECT_EQ(h.Get(hdr::kIndexOrdinal + 4), 1u);
    EXPECT_EQ(ReadFile(path).size(), h.RequiredFileSize());
    EXPECT_EQ((h.RequiredFileSize() - 0x2AD4) % kFileGrowStep, 0u);
}

TEST(Writer, NewFilesRefuseToReplaceExistingOnes) {
    TempDir dir;
    auto path = dir.Path() / "Inbox.dbx";
    MessageFile::Create(path, {4, "Inbox", 3, "LocalStore", 1});
    EXPECT_EQ(CheckFindings(path), "");
    EXPECT_THROW(MessageFile::Create(path, {4, "Inbox", 3, "LocalStore", 1}), Error);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Inbox.dbx.new"));
}

}  // namespace
