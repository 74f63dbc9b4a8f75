// The file list: adding chosen files and folder trees, the count, clearing.
#include <gtest/gtest.h>

#include "RecordingDesktop.h"
#include "import_app/frmMain.h"
#include "temp_prefix.h"

namespace {

class FileList : public testing::Test {
  protected:
    void SetUp() override { desktop.messages.clear(); }  // the missing-control notice

    QStringList Rows() {
        QStringList rows;
        for (int r = 0; r < form.grdFiles1->Rows(); ++r) {
            form.grdFiles1->SetRow(r);
            form.grdFiles1->SetCol(0);
            rows << form.grdFiles1->Text();
        }
        return rows;
    }
    QString Root() const { return QString::fromStdString(dir.Path().string()); }

    testsupport::TempPrefix prefix;
    testsupport::TempDir dir;
    RecordingDesktop desktop;
    frmMain form{&desktop};
};

TEST_F(FileList, FirstFileTakesTheEmptyRowAndDuplicatesAreKept) {
    form.AddFileToList("/mail/Inbox.dbx");
    EXPECT_EQ(Rows(), QStringList{"/mail/Inbox.dbx"});
    EXPECT_EQ(form.lblCount1->text(), "1 files");
    EXPECT_EQ(form.grdFiles1->columnWidth(0), 667);  // 10000 twips
    form.AddFileToList("/mail/Inbox.dbx");
    EXPECT_EQ(Rows(), QStringList({"/mail/Inbox.dbx", "/mail/Inbox.dbx"}));
    EXPECT_EQ(form.lblCount1->text(), "2 files");
}

TEST_F(FileList, ChosenFilesAreAddedInDialogOrder) {
    desktop.chosenFiles = {"/home/me/Mail/b.dbx", "/home/me/Mail/a.dbx"};
    form.cmdAdd->click();
    EXPECT_EQ(Rows(), QStringList({"/home/me/Mail/b.dbx", "/home/me/Mail/a.dbx"}));
    EXPECT_EQ(desktop.openFilters, QStringList{"Outlook Express Mailboxes (*.dbx)|*.dbx"});
    EXPECT_TRUE(form.CmdConvert2PDF->isEnabled());
    desktop.chosenFiles = {"/home/me/Other/c.dbx"};
    form.cmdAdd->click();
    EXPECT_EQ(Rows().last(), "/home/me/Other/c.dbx");
    EXPECT_EQ(form.lblCount1->text(), "3 files");
}

// The dialog's text names the files' folder once when they share it; files from several folders
// are each listed under their own full path, never under another file's folder.
TEST_F(FileList, EveryChosenFileIsListedUnderItsOwnPath) {
    const QChar nul(u'\0');
    struct Case {
        QStringList chosen;
        QString text;  // what the dialog returns
    } cases[] = {
        {{"/home/me/Mail/b.dbx", "/home/me/Mail/a.dbx"},
         QString("/home/me/Mail") + nul + "b.dbx" + nul + "a.dbx"},
        {{"/a/x.dbx", "/b/y.dbx"}, nul + QString("/a/x.dbx") + nul + "/b/y.dbx"},
        {{"/a/x.dbx", "/b/y.dbx", "/a/z.dbx"},
         nul + QString("/a/x.dbx") + nul + "/b/y.dbx" + nul + "/a/z.dbx"},
        {{"/a/Inbox.dbx", "/a/sub/Inbox.dbx"},
         nul + QString("/a/Inbox.dbx") + nul + "/a/sub/Inbox.dbx"},
        {{"/x.dbx", "/y.dbx"}, QString("/") + nul + "x.dbx" + nul + "y.dbx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.join(", ").toStdString());
        form.ClearFileList();
        desktop.chosenFiles = c.chosen;
        form.cmdAdd->click();
        EXPECT_EQ(form.cdlgFile->FileName, c.text);
        EXPECT_EQ(Rows(), c.chosen);
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileList, CancellingTheDialogChangesNothing) {
    form.cmdAdd->click();
    EXPECT_EQ(Rows(), QStringList{""});
    EXPECT_FALSE(form.CmdConvert2PDF->isEnabled());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(FileList, TooManyNamesForTheDialogAsksForFewer) {
    QString folder = "/home/me/" + QString(900, 'm');
    for (int i = 0; i < 10; ++i)
        desktop.chosenFiles << folder + QString("/mailbox%1.dbx").arg(i);
    form.cmdAdd->click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    // 909 characters of folder and two closing NULs, then 13 for each name and its NUL.
    EXPECT_EQ(desktop.messages[0].prompt, "Please select only 6 files at a time");
    EXPECT_EQ(desktop.messages[0].buttons, vb::vbExclamation);
    EXPECT_EQ(Rows(), QStringList{""});
}

TEST_F(FileList, FolderScanTakesMailboxesInAnyCaseInWalkOrder) {
    testsupport::WriteFile(dir.Path() / "Inbox.dbx", "x");
    testsupport::WriteFile(dir.Path() / "notes.dbx.bak", "x");
    testsupport::WriteFile(dir.Path() / "A" / "B" / "Sent Items.DBX", "x");
    desktop.chosenFolder = Root();
    form.CmdAddFolder->click();
    EXPECT_EQ(Rows(), QStringList({Root() + "/Inbox.dbx", Root() + "/A/B/Sent Items.DBX"}));
    EXPECT_EQ(form.strSourceFolder, Root() + "/");
    EXPECT_EQ(desktop.browseTitles, QStringList{"Choose Source Folder..."});
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].prompt, "2 Files Added to List.");
    EXPECT_EQ(desktop.messages[0].buttons, vb::vbOKOnly);
    EXPECT_EQ(desktop.busyChanges, std::vector<bool>({true, false}));
    EXPECT_TRUE(form.CmdConvert2PDF->isEnabled());
}

TEST_F(FileList, FolderWithoutMailboxesDisablesTheImport) {
    form.AddFileToList("/mail/Kept.dbx");
    form.CmdConvert2PDF->setEnabled(true);
    testsupport::WriteFile(dir.Path() / "readme.txt", "x");
    desktop.chosenFolder = Root() + "/";
    form.CmdAddFolder->click();
    EXPECT_EQ(desktop.messages.at(0).prompt, "0 Files Added to List.");
    EXPECT_FALSE(form.CmdConvert2PDF->isEnabled());
    EXPECT_EQ(Rows(), QStringList{"/mail/Kept.dbx"});
}

TEST_F(FileList, CancelledFolderChoiceDoesNothing) {
    form.CmdAddFolder->click();
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.busyChanges.empty());
}

TEST_F(FileList, ClearingAsksOnlyForANonEmptyListAndKeepsTheButtonState) {
    form.cmdClear1->click();
    EXPECT_TRUE(desktop.messages.empty());
    desktop.chosenFiles = {"/mail/a.dbx"};
    form.cmdAdd->click();
    form.AddFileToList("/mail/b.dbx");
    desktop.answers = {vb::vbNo};
    form.cmdClear1->click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].prompt,
              "Do you want to clear all the files in the list\r\n Proceed?");
    EXPECT_EQ(desktop.messages[0].buttons, vb::vbYesNo + vb::vbQuestion);
    EXPECT_EQ(Rows().size(), 2);
    desktop.answers = {vb::vbYes};
    form.cmdClear1->click();
    EXPECT_EQ(Rows(), QStringList{""});
    EXPECT_EQ(form.lblCount1->text(), "0 files");
    EXPECT_TRUE(form.CmdConvert2PDF->isEnabled());
    form.AddFileToList("/mail/c.dbx");
    EXPECT_EQ(Rows(), QStringList{"/mail/c.dbx"});
}

}  // namespace
