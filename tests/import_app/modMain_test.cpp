#include "import_app/modMain.h"

#include <gtest/gtest.h>

#include <string>

#include "RecordingDesktop.h"
#include "temp_prefix.h"

namespace {

using modMain::PlanPieces;

struct PlanCase {
    std::int32_t total;
    std::int32_t requested;
    std::int32_t chunk;
    std::int32_t remainder;
};

TEST(PiecePlan, FollowsTheFileSize) {
    const PlanCase cases[] = {
        {50, 0, 0, 50},
        {99, 0, 0, 99},
        {100, 0, 1, 0},
        {199, 0, 1, 0},
        {1000, 0, 10, 0},
        {1234, 0, 12, 10},
        {10000, 4096, 4096, 1808},
        {209715200, 0, 2097152, 0},   // 2 MiB x 100: exactly at the cap
        {209715299, 0, 2097152, 99},  // just below the first size above the cap
        {314572800, 0, 2097152, 0},   // 300 MiB: 150 pieces
        {314572801, 0, 2097152, 1},
        {1000, 5000000, 2097152, 1000},  // a requested size is capped too
    };
    for (const PlanCase& c : cases) {
        modMain::PiecePlan plan = PlanPieces(c.total, c.requested);
        EXPECT_EQ(plan.chunk, c.chunk) << c.total;
        EXPECT_EQ(plan.remainder, c.remainder) << c.total;
    }
    EXPECT_EQ(PlanPieces(100, 3000000).chunk, modMain::kMaxChunkSize);
}

TEST(ProgressCaption, HasTheExactWording) {
    EXPECT_EQ(modMain::ProgressCaption(10, 1234),
              "Imported (10 bytes out of 1234 bytes: 0.8% Completed)");
    EXPECT_EQ(modMain::ProgressCaption(50, 50),
              "Imported (50 bytes out of 50 bytes: 100.0% Completed)");
    EXPECT_EQ(modMain::ProgressCaption(1, 800),
              "Imported (1 bytes out of 800 bytes: 0.1% Completed)");
    EXPECT_EQ(modMain::ProgressCaption(1, 8), "Imported (1 bytes out of 8 bytes: 12.5% Completed)");
    EXPECT_EQ(modMain::ProgressCaption(1, 16),
              "Imported (1 bytes out of 16 bytes: 6.3% Completed)");
}

class ChunkedCopy : public testing::Test {
  protected:
    QString PathOf(const std::string& name) const {
        return QString::fromStdString((dir.Path() / name).string());
    }
    // A source of `size` bytes whose content tells every position apart.
    QString MakeSource(std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 131 + i / 256);
        testsupport::WriteFile(dir.Path() / "source.dbx", bytes);
        return PathOf("source.dbx");
    }
    std::string Read(const std::string& name) const {
        return testsupport::ReadFile(dir.Path() / name);
    }

    testsupport::TempDir dir;
    RecordingDesktop desktop;
};

TEST_F(ChunkedCopy, CopiesEveryPieceWithACaptionAndAYieldEach) {
    QString source = MakeSource(1234);
    EXPECT_EQ(modMain::CopyFileByChunk(source, PathOf("dest.dbx"), 0, desktop), 1234);
    EXPECT_EQ(Read("dest.dbx"), Read("source.dbx"));
    ASSERT_EQ(desktop.captions.size(), 103);
    EXPECT_EQ(desktop.captions.first(), "Imported (10 bytes out of 1234 bytes: 0.8% Completed)");
    EXPECT_EQ(desktop.captions[1], "Imported (22 bytes out of 1234 bytes: 1.8% Completed)");
    EXPECT_EQ(desktop.captions.last(), "Imported (1234 bytes out of 1234 bytes: 100.0% Completed)");
    EXPECT_EQ(desktop.yields, 103);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ChunkedCopy, PieceCountsForSmallFilesAndARequestedChunk) {
    struct Case {
        std::size_t size;
        std::int32_t chunk;
        int pieces;
    };
    for (Case c : {Case{50, 0, 1}, Case{99, 0, 1}, Case{100, 0, 100}, Case{199, 0, 199},
                   Case{1000, 0, 100}, Case{10000, 4096, 3}}) {
        RecordingDesktop d;
        QString source = MakeSource(c.size);
        EXPECT_EQ(modMain::CopyFileByChunk(source, PathOf("dest.dbx"), c.chunk, d),
                  static_cast<std::int32_t>(c.size));
        EXPECT_EQ(d.captions.size(), c.pieces) << c.size;
        EXPECT_EQ(Read("dest.dbx"), Read("source.dbx")) << c.size;
    }
}

TEST_F(ChunkedCopy, FirstCaptionOfAThousandBytes) {
    QString source = MakeSource(1000);
    modMain::CopyFileByChunk(source, PathOf("dest.dbx"), 0, desktop);
    EXPECT_EQ(desktop.captions.first(), "Imported (10 bytes out of 1000 bytes: 1.0% Completed)");
}

TEST_F(ChunkedCopy, EmptySourceEmptiesTheDestinationWithoutACaption) {
    QString source = MakeSource(0);
    testsupport::WriteFile(dir.Path() / "dest.dbx", "old content");
    EXPECT_EQ(modMain::CopyFileByChunk(source, PathOf("dest.dbx"), 0, desktop), 0);
    EXPECT_EQ(Read("dest.dbx"), "");
    EXPECT_TRUE(desktop.captions.isEmpty());
}

TEST_F(ChunkedCopy, OverwritesALongerDestination) {
    QString source = MakeSource(300);
    testsupport::WriteFile(dir.Path() / "dest.dbx", std::string(5000, 'z'));
    EXPECT_EQ(modMain::CopyFileByChunk(source, PathOf("dest.dbx"), 0, desktop), 300);
    EXPECT_EQ(Read("dest.dbx"), Read("source.dbx"));
}

TEST_F(ChunkedCopy, MissingSourceIsReportedAndLeavesTheDestinationAlone) {
    testsupport::WriteFile(dir.Path() / "dest.dbx", "keep me");
    EXPECT_EQ(modMain::CopyFileByChunk(PathOf("missing.dbx"), PathOf("dest.dbx"), 0, desktop), -1);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].prompt, "Error Occurred : 53:\r\nFile not found");
    EXPECT_EQ(desktop.messages[0].buttons, vb::vbCritical);
    EXPECT_EQ(desktop.messages[0].title, "CopyFileByChunk");
    EXPECT_EQ(Read("dest.dbx"), "keep me");
    EXPECT_TRUE(desktop.captions.isEmpty());
}

TEST_F(ChunkedCopy, MissingFoldersAreReportedAsPathNotFound) {
    QString source = MakeSource(10);
    EXPECT_EQ(modMain::CopyFileByChunk(source, PathOf("no/such/dest.dbx"), 0, desktop), -1);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].prompt, "Error Occurred : 76:\r\nPath not found");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "no"));
    desktop.messages.clear();
    EXPECT_EQ(modMain::CopyFileByChunk(PathOf("gone/x.dbx"), PathOf("d.dbx"), 0, desktop), -1);
    EXPECT_EQ(desktop.messages.at(0).prompt, "Error Occurred : 76:\r\nPath not found");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "d.dbx"));
}

TEST_F(ChunkedCopy, AFolderAsSourceIsRefusedBeforeTheDestinationIsTouched) {
    std::filesystem::create_directory(dir.Path() / "folder.dbx");
    testsupport::WriteFile(dir.Path() / "dest.dbx", "keep me");
    EXPECT_EQ(modMain::CopyFileByChunk(PathOf("folder.dbx"), PathOf("dest.dbx"), 0, desktop), -1);
    EXPECT_EQ(desktop.messages.at(0).prompt, "Error Occurred : 75:\r\nPath/File access error");
    EXPECT_EQ(Read("dest.dbx"), "keep me");
}

TEST_F(ChunkedCopy, SourcesOfTwoGibibytesOrMoreAreRefusedBeforeTheDestinationIsTouched) {
    testsupport::WriteFile(dir.Path() / "huge.dbx", "");
    std::filesystem::resize_file(dir.Path() / "huge.dbx", 2147483648ull);  // sparse
    testsupport::WriteFile(dir.Path() / "dest.dbx", "keep me");
    EXPECT_EQ(modMain::CopyFileByChunk(PathOf("huge.dbx"), PathOf("dest.dbx"), 0, desktop), -1);
    EXPECT_EQ(desktop.messages.at(0).prompt, "Error Occurred : 6:\r\nOverflow");
    EXPECT_EQ(Read("dest.dbx"), "keep me");
}

TEST_F(ChunkedCopy, BackslashSeparatedPathsWork) {
    QString source = MakeSource(120);
    QString dest = QString::fromStdString(dir.Path().string()) + "\\dest.dbx";
    EXPECT_EQ(modMain::CopyFileByChunk(source, dest, 0, desktop), 120);
    EXPECT_EQ(Read("dest.dbx"), Read("source.dbx"));
}

}  // namespace
