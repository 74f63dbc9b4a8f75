// The program without its window: `ferrydeck --import` as a user runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <dbx/message_file.h>

#include "temp_prefix.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class FerrydeckCommand : public testing::Test {
  protected:
    Outcome Command(const std::string& program, const std::string& arguments) {
        std::string out = (dir.Path() / "out").string();
        std::string err = (dir.Path() / "err").string();
        std::string line = std::string(BIN_DIR) + "/" + program + " " + arguments + " > '" + out +
                           "' 2> '" + err + "'";
        int raw = std::system(line.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testsupport::ReadFile(out),
                testsupport::ReadFile(err)};
    }
    std::string Mailbox(const std::string& name) {
        auto path = dir.Path() / name;
        dbx::MessageFile::Create(path, dbx::MessageFileInfo{})
            .Append("Subject: hi\r\n\r\nhello\r\n");
        return "'" + path.string() + "'";
    }

    testsupport::TempPrefix prefix;
    testsupport::TempDir dir;
};

TEST_F(FerrydeckCommand, WithoutTheControlItSaysHowToRegisterIt) {
    Outcome run = Command("ferrydeck", "--import " + Mailbox("Inbox.dbx"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("regsvr libquillbox.so"), std::string::npos) << run.err;
}

TEST_F(FerrydeckCommand, ImportsEveryFileAndSummarises) {
    ASSERT_EQ(Command("regsvr", std::string(BIN_DIR) + "/oestore.so").status, 0);
    ASSERT_EQ(Command("regsvr", std::string(BIN_DIR) + "/libquillbox.so").status, 0);
    Outcome run =
        Command("ferrydeck", "--import " + Mailbox("Inbox.dbx") + " " + Mailbox("Work.dbx"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Inbox.dbx: imported into \"(0) Inbox\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Work.dbx: imported into \"Work\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Imported 2 of 2 files."), std::string::npos);

    Outcome partly = Command("ferrydeck", "--import " + Mailbox("Notes.dbx") + " missing.dbx");
    EXPECT_EQ(partly.status, 1);
    EXPECT_NE(partly.out.find("Imported 1 of 2 files."), std::string::npos) << partly.out;
    EXPECT_NE(partly.err.find("File not found"), std::string::npos) << partly.err;
}

TEST_F(FerrydeckCommand, BadArgumentsShowTheUsage) {
    Outcome run = Command("ferrydeck", "--import");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Usage: ferrydeck"), std::string::npos);
    EXPECT_EQ(Command("ferrydeck", "--help").status, 0);
}

}  // namespace
