// The look at a listed file before its folder is made, for what the import run cannot set up
// itself: a file the user may not read.
#include "import_app/SourceCheck.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dbx_test_util.h"
#include "temp_prefix.h"

namespace {

TEST(SourceCheck, AFileThatCannotBeReadIsRefused) {
    testsupport::TempDir dir;
    const std::filesystem::path file = dir.Path() / "Private.dbx";
    dbxtest::WriteMailbox(file, 2);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_TRUE(CheckSource(QString::fromStdString(file.string())).importable);
    ASSERT_EQ(chmod(file.c_str(), 0), 0);

    // The superuser reads every file: the check then runs as an ordinary user ("nobody").
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(3);
        SourceCheck check = CheckSource(QString::fromStdString(file.string()));
        _exit(!check.importable && check.reason.startsWith("the file cannot be read") ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
