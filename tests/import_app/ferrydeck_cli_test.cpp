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
        // A program given with its path (or behind "env") is run as given.
        std::string command =
            program.find('/') == std::string::npos ? std::string(BIN_DIR) + "/" + program : program;
        std::string line = command + " " + arguments + " > '" + out + "' 2> '" + err + "'";
        int raw = std::system(line.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testsupport::ReadFile(out),
                testsupport::ReadFile(err)};
    }
    void RegisterStoreAndControl() {
        ASSERT_EQ(Command("regsvr", std::string(BIN_DIR) + "/oestore.so").status, 0);
        ASSERT_EQ(Command("regsvr", std::string(BIN_DIR) + "/libquillbox.so").status, 0);
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
    RegisterStoreAndControl();
    if (HasFatalFailure())
        return;
    Outcome run =
        Command("ferrydeck", "--import " + Mailbox("Inbox.dbx") + " " + Mailbox("Work.dbx"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Inbox.dbx: imported into \"(0) Inbox\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Work.dbx: imported into \"Work\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Imported 2 of 2 files."), std::string::npos);

    Outcome partly = Command("ferrydeck", "--import " + Mailbox("Notes.dbx") + " missing.dbx");
    EXPECT_EQ(partly.status, 1);
    EXPECT_NE(partly.out.find("Imported 1 of 2 files."), std::string::npos) << partly.out;
    EXPECT_NE(partly.out.find("missing.dbx: not imported: the file does not exist"),
              std::string::npos)
        << partly.out;
    EXPECT_NE(partly.err.find("These files were not imported:"), std::string::npos) << partly.err;
}

TEST_F(FerrydeckCommand, WhatIsNoMailboxIsRefusedWithTheReasonAndStatusOne) {
    RegisterStoreAndControl();
    if (HasFatalFailure())
        return;
    testsupport::WriteFile(dir.Path() / "Text.dbx", "just some text\n");
    Outcome run = Command("ferrydeck", "--import '" + (dir.Path() / "Text.dbx").string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Text.dbx: not imported: it is not an Outlook Express mailbox file"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Imported 0 of 1 files."), std::string::npos) << run.out;
}

TEST_F(FerrydeckCommand, AFolderToImportThatIsMissingOrAFileIsNamed) {
    Outcome missing =
        Command("ferrydeck", "--import-folder '" + (dir.Path() / "nowhere").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nowhere does not exist"), std::string::npos) << missing.err;
    Outcome file = Command("ferrydeck", "--import-folder " + Mailbox("Inbox.dbx"));
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("Inbox.dbx is a file, not a folder"), std::string::npos) << file.err;
}

// The import without the window needs no display; the window without one ends with a message.
TEST_F(FerrydeckCommand, NoUsableDisplay) {
    RegisterStoreAndControl();
    if (HasFatalFailure())
        return;
    const std::string noScreens[] = {
        "timeout 60 env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=bogus DISPLAY=:99 ",
        "timeout 60 env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:99 "};
    int n = 0;
    for (const std::string& noScreen : noScreens) {
        std::string name = "Mail" + std::to_string(n++) + ".dbx";
        Outcome import = Command(noScreen + BIN_DIR + "/ferrydeck", "--import " + Mailbox(name));
        EXPECT_EQ(import.status, 0) << noScreen << import.err;
        EXPECT_NE(import.out.find("Imported 1 of 1 files."), std::string::npos) << import.out;

        Outcome window = Command(noScreen + BIN_DIR + "/ferrydeck", "");
        EXPECT_EQ(window.status, 2) << noScreen << window.err;
        EXPECT_NE(window.err.find("ferrydeck: no usable display"), std::string::npos) << window.err;
    }
}

TEST_F(FerrydeckCommand, BadArgumentsShowTheUsage) {
    Outcome run = Command("ferrydeck", "--import");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Usage: ferrydeck"), std::string::npos);
    EXPECT_EQ(Command("ferrydeck", "--help").status, 0);
}

}  // namespace
