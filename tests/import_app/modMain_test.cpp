#include "import_app/modMain.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "RecordingDesktop.h"
#include "import_app/CopyTempFiles.h"
#include "simulated_file_system.h"
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

// A crash at any write of the copy leaves the destination as it was or as the complete copy,
// never cut short: the copy goes into a temporary file that is made durable before it is renamed
// over the destination, and the folder entry is made durable after the rename.
TEST(CrashSafeCopy, EveryCrashPointLeavesTheOldOrTheWholeFile) {
    const std::string source = "/sim/Source.dbx";
    const std::string destination = "/sim/store/Work.dbx";
    std::string bytes(1234, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    const std::string emptyMailbox = "the new folder's empty mailbox";
    auto seed = [&] {
        auto files = std::make_unique<dbxtest::SimulatedFileSystem>();
        files->Put(source, bytes);
        files->Put(destination, emptyMailbox);
        return files;
    };
    auto copy = [&](dbxtest::SimulatedFileSystem& files, RecordingDesktop& desktop) {
        return modMain::CopyFileByChunk(QString::fromStdString(source),
                                        QString::fromStdString(destination), 0, desktop, files);
    };

    auto reference = seed();
    RecordingDesktop plain;
    ASSERT_EQ(copy(*reference, plain), 1234);
    ASSERT_EQ(reference->Get(destination), bytes);
    EXPECT_EQ(plain.captions.size(), 103) << "still piece by piece";
    const std::int64_t writes = reference->mutations();
    ASSERT_GT(writes, 100);

    int oldSeen = 0;
    int newSeen = 0;
    for (std::int64_t k = 0; k < writes; ++k) {
        auto files = seed();
        files->CrashAfter(k);
        RecordingDesktop desktop;
        EXPECT_THROW(copy(*files, desktop), dbxtest::SimulatedCrash) << "crash at write " << k;
        for (auto kind : {dbxtest::CrashKind::kProcess, dbxtest::CrashKind::kPowerLoss,
                          dbxtest::CrashKind::kPowerLossPartly}) {
            auto survivor = files->Survivor(kind, static_cast<uint32_t>(k));
            ASSERT_TRUE(survivor->Has(destination)) << "crash at write " << k;
            const std::string left = survivor->Get(destination);
            EXPECT_TRUE(left == emptyMailbox || left == bytes)
                << "crash at write " << k << " left " << left.size() << " bytes";
            oldSeen += left == emptyMailbox;
            newSeen += left == bytes;
        }
        // The same write failing instead: reported, and the destination stays as it was.
        auto failing = seed();
        failing->FailAfter(k);
        RecordingDesktop failed;
        const std::int32_t result = copy(*failing, failed);
        const std::string left = failing->Get(destination);
        // (A failure of the last step, making the renamed entry durable, is reported although the
        // copy is in place.)
        EXPECT_TRUE(left == emptyMailbox || left == bytes) << "failure at write " << k;
        EXPECT_TRUE(result == -1 || (result == 1234 && left == bytes))
            << "failure at write " << k << ": result " << result;
        if (result == -1) {
            EXPECT_EQ(failed.messages.at(0).title, "CopyFileByChunk");
        }
    }
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

// Temporary copies left by runs that are over are removed; those of a running copy are not.
TEST(StaleTempFiles, OnlyFilesOfRunsThatAreOverGo) {
    testsupport::TempDir dir;
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);  // a process id that names no running process now

    const copytemp::Owner self = copytemp::Self();
    auto name = [](pid_t pid, std::uint64_t start, int n) {
        return ".ferrydeck-copy-" + std::to_string(pid) + "-" + std::to_string(start) + "-" +
               std::to_string(n) + ".tmp";
    };
    const std::string deadRun = name(child, 12345, 0);
    const std::string reusedId = name(self.pid, self.start + 1, 0);  // our id, another start
    const std::string running = name(self.pid, self.start, 7);
    const std::string lockedByACopy = name(child, 999, 1);
    const std::string notOurs = "Inbox.dbx";
    for (const std::string& file : {deadRun, reusedId, running, lockedByACopy, notOurs})
        testsupport::WriteFile(dir.Path() / file, "partial copy");
    int held = open((dir.Path() / lockedByACopy).c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    EXPECT_EQ(copytemp::RemoveStaleTempFiles(dir.Path()), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / deadRun));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / reusedId));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / running));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / lockedByACopy));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / notOurs));
    close(held);

    // The names a copy gives its temporary files are the ones recognised.
    auto temp = copytemp::TempPathFor(dir.Path() / "Work.dbx");
    EXPECT_EQ(temp.parent_path(), dir.Path());
    EXPECT_EQ(copytemp::OwnerOfTempName(temp.filename().string()), self);
    for (const char* other : {".ferrydeck-copy-12-34.tmp", ".ferrydeck-copy--1-2-3.tmp",
                              ".ferrydeck-copy-1-2-x.tmp", "ferrydeck-copy-1-2-3.tmp"})
        EXPECT_FALSE(copytemp::OwnerOfTempName(other)) << other;
}

}  // namespace
