#include "import_support/pathLogger.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_prefix.h"

namespace {

namespace fs = std::filesystem;

QStringList Items(const KeyedCollection<QString>& c) {
    QStringList items;
    for (const QString& item : c)
        items.append(item);
    return items;
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

class PathLoggerWalk : public testing::Test {
  protected:
    void SetUp() override {
        testsupport::WriteFile(dir.Path() / "b.dbx", "1");
        testsupport::WriteFile(dir.Path() / ".hidden", "2");
        testsupport::WriteFile(dir.Path() / "Sub" / "c.dbx", "3");
        logger.PathLogInit();
    }
    QString Root() const { return QString::fromStdString(dir.Path().string()); }

    testsupport::TempDir dir;
    pathLogger logger;
};

TEST_F(PathLoggerWalk, FullPathsOnlyKeyedInWalkOrder) {
    logger.setFullFileNamesOnly(true);
    logger.LogPath(Root());
    auto folders = logger.pathNames();
    ASSERT_EQ(folders->Count(), 2);
    EXPECT_EQ(folders->Item("K0"), Root() + "/");
    EXPECT_EQ(folders->Item("K2"), Root() + "/Sub/");
    auto files = logger.fullFileNames();
    ASSERT_EQ(files->Count(), 3);
    EXPECT_EQ(Sorted({files->Item("K1"), files->Item("K2")}),
              QStringList({Root() + "/.hidden", Root() + "/b.dbx"}));
    EXPECT_EQ(files->Item("K3"), Root() + "/Sub/c.dbx");
    EXPECT_EQ(logger.Count(), 4);
    EXPECT_EQ(logger.fileNames()->Count(), 0);
    EXPECT_EQ(logger.pathPointers()->Count(), 0);
}

TEST_F(PathLoggerWalk, NamesAndFolderPointersWhenAskedFor) {
    logger.setFullFileNamesOnly(false);
    logger.LogPath(Root() + "/");
    EXPECT_EQ(Sorted(Items(*logger.fileNames())), QStringList({".hidden", "b.dbx", "c.dbx"}));
    auto pointers = logger.pathPointers();
    ASSERT_EQ(pointers->Count(), 3);
    EXPECT_EQ(pointers->Item(1), 1);
    EXPECT_EQ(pointers->Item(2), 1);
    EXPECT_EQ(pointers->Item(3), 2);
    EXPECT_EQ(logger.fileNames()->Item("K3"), "c.dbx");
    EXPECT_EQ(logger.pathNames()->Item(1), Root() + "/") << "a trailing separator is not doubled";
}

TEST_F(PathLoggerWalk, BreadthFirstAcrossLevels) {
    testsupport::WriteFile(dir.Path() / "Sub" / "Deep" / "d.dbx", "4");
    testsupport::WriteFile(dir.Path() / "Other" / "e.dbx", "5");
    logger.LogPath(Root());
    auto folders = logger.pathNames();
    ASSERT_EQ(folders->Count(), 4);
    EXPECT_EQ(Sorted({folders->Item("K2"), folders->Item("K3")}),
              QStringList({Root() + "/Other/", Root() + "/Sub/"}));
    EXPECT_EQ(folders->Item("K4"), Root() + "/Sub/Deep/");
    EXPECT_EQ(logger.fullFileNames()->Item(5), Root() + "/Sub/Deep/d.dbx");
}

TEST_F(PathLoggerWalk, SecondWalkWithoutInitFailsOnTheDuplicateKey) {
    logger.LogPath(Root());
    try {
        logger.LogPath(Root());
        FAIL() << "expected the duplicate-key error";
    } catch (const vb::RuntimeError& error) {
        EXPECT_EQ(error.Number(), 457);
    }
    EXPECT_EQ(logger.fullFileNames()->Count(), 3) << "what was recorded stays";
    logger.PathLogInit();
    logger.LogPath(Root());
    EXPECT_EQ(logger.fullFileNames()->Count(), 3);
}

// A missing start folder records nothing in any of the four collections, in either mode, and
// leaves the counter of the walk before; an empty folder is the one folder recorded.
TEST_F(PathLoggerWalk, MissingAndEmptyFolders) {
    for (bool fullFileNamesOnly : {true, false}) {
        SCOPED_TRACE(fullFileNamesOnly ? "full names only" : "names and pointers too");
        pathLogger walked;
        walked.PathLogInit();
        walked.LogPath(Root());
        const std::int32_t count = walked.Count();
        walked.PathLogInit();
        walked.setFullFileNamesOnly(fullFileNamesOnly);
        walked.LogPath(Root() + "/missing");
        EXPECT_EQ(walked.pathNames()->Count(), 0);
        EXPECT_EQ(walked.fullFileNames()->Count(), 0);
        EXPECT_EQ(walked.fileNames()->Count(), 0);
        EXPECT_EQ(walked.pathPointers()->Count(), 0);
        EXPECT_EQ(walked.Count(), count) << "the counter is untouched";
    }

    testsupport::TempDir empty;
    pathLogger fresh;
    EXPECT_EQ(fresh.Count(), 0);
    fresh.PathLogInit();
    fresh.LogPath(QString::fromStdString(empty.Path().string()));
    EXPECT_EQ(fresh.pathNames()->Count(), 1);
    EXPECT_EQ(fresh.fullFileNames()->Count(), 0);
    EXPECT_EQ(fresh.Count(), 1);
}

TEST_F(PathLoggerWalk, LinksBackIntoTheTreeDoNotLoop) {
    fs::create_directory_symlink(dir.Path(), dir.Path() / "Sub" / "loop");
    logger.LogPath(Root());
    EXPECT_EQ(logger.pathNames()->Count(), 2);
    EXPECT_EQ(logger.fullFileNames()->Count(), 3);
}

// Terminate drops the four collections only: the mode and the counter stay as they were.
TEST_F(PathLoggerWalk, CollectionsHeldByTheCallerSurviveTerminate) {
    logger.setFullFileNamesOnly(false);
    logger.LogPath(Root());
    auto kept = logger.fullFileNames();
    logger.Terminate();
    EXPECT_EQ(kept->Count(), 3) << "a collection the caller holds stays with the caller";
    EXPECT_EQ(logger.fullFileNames()->Count(), 0);
    EXPECT_EQ(logger.fileNames()->Count(), 0);
    EXPECT_EQ(logger.pathPointers()->Count(), 0);
    EXPECT_EQ(logger.pathNames()->Count(), 0);
    EXPECT_FALSE(logger.fullFileNamesOnly());
    EXPECT_EQ(logger.Count(), 4);
    logger.PathLogInit();
    EXPECT_TRUE(logger.fullFileNamesOnly()) << "only PathLogInit sets the mode back";
}

TEST_F(PathLoggerWalk, UnreadableFolderEndsTheWalkWithPermissionDenied) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    fs::permissions(dir.Path() / "Sub", fs::perms::none);
    try {
        logger.LogPath(Root());
        FAIL() << "expected an error";
    } catch (const vb::RuntimeError& error) {
        EXPECT_EQ(error.Number(), 70);
    }
    fs::permissions(dir.Path() / "Sub", fs::perms::owner_all);
    EXPECT_EQ(logger.fullFileNames()->Count(), 2);
}

}  // namespace
