// The import run end to end, on a fresh prefix with the real mail store and the Quillbox
// control: folders are made, mailbox files copied, and nothing that was there before changes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <map>

#include <dbx/folder_file.h>
#include <dbx/message_file.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>

#include "RecordingDesktop.h"
#include "import_app/frmMain.h"
#include "temp_prefix.h"

namespace {

namespace fs = std::filesystem;

// Loads a server library from the program's folder and lets it register itself.
void Register(const char* library) {
    std::string path = QCoreApplication::applicationDirPath().toStdString() + "/" + library;
    HMODULE module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr) << path;
    FARPROC entry = GetProcAddress(module, "DllRegisterServer");
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(reinterpret_cast<void (*)()>(entry));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK) << library;
}

// Every .dbx file of a folder with its content.
std::map<std::string, std::string> MailboxFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".dbx") {
            files[entry.path().filename().string()] = testsupport::ReadFile(entry.path());
        }
    }
    return files;
}

class ImportRun : public testing::Test {
  protected:
    void SetUp() override {
        Register("oestore.so");
        Register("libquillbox.so");
        form = std::make_unique<frmMain>(&desktop);
        form->CreateControlWindow();
        ASSERT_NE(form->OEDispatch(), nullptr);
        storeFolder = StoreFolder();
        before = MailboxFiles(storeFolder);
        desktop.messages.clear();
    }

    // The store root the store made for its new default identity.
    fs::path StoreFolder() {
        char id[64] = {};
        DWORD size = sizeof id;
        HKEY identities = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, "Identities", 0, KEY_READ, &identities);
        RegQueryValueExA(identities, "Start As", nullptr, nullptr, reinterpret_cast<BYTE*>(id),
                         &size);
        RegCloseKey(identities);
        std::string key =
            std::string("Identities\\") + id + "\\Software\\Microsoft\\Outlook Express\\5.0";
        char root[1024] = {};
        size = sizeof root;
        HKEY oe = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &oe);
        RegQueryValueExA(oe, "Store Root", nullptr, nullptr, reinterpret_cast<BYTE*>(root), &size);
        RegCloseKey(oe);
        char expanded[1024] = {};
        ExpandEnvironmentStringsA(root, expanded, sizeof expanded);
        std::string path = expanded;
        for (char& c : path)
            c = c == '\\' ? '/' : c;
        return path;
    }

    // A mailbox file holding `count` small messages.
    QString MakeMailbox(const std::string& relativePath, int count) {
        fs::path path = sources.Path() / relativePath;
        fs::create_directories(path.parent_path());
        auto file = dbx::MessageFile::Create(path, dbx::MessageFileInfo{});
        for (int i = 0; i < count; ++i) {
            file.Append("From: a@example.org\r\nTo: b@example.org\r\nSubject: message " +
                        std::to_string(i) + "\r\n\r\nBody of " + relativePath + "\r\n");
        }
        return QString::fromStdString(path.string());
    }

    // The names of the store's top-level folders, in the store's order.
    std::vector<std::string> TopLevelFolders() {
        auto folders = dbx::FolderFile::Open(storeFolder / "Folders.dbx");
        std::vector<std::string> names;
        uint32_t localFolders = 1;
        for (const auto& folder : folders.Children(localFolders))
            names.push_back(folder.name);
        return names;
    }

    testsupport::TempPrefix prefix;
    testsupport::TempDir sources;
    RecordingDesktop desktop;
    std::unique_ptr<frmMain> form;
    fs::path storeFolder;
    std::map<std::string, std::string> before;
};

TEST_F(ImportRun, CollidingNamesBecomeNewFoldersHoldingExactCopies) {
    QString first = MakeMailbox("one/Inbox.dbx", 3);
    QString second = MakeMailbox("two/Inbox.dbx", 5);
    form->AddFileToList(first);
    form->AddFileToList(second);
    QStringList fileProgress;
    desktop.onDoEvents = [&] {
        QString caption = form->LblFileProgress->text();
        if (fileProgress.isEmpty() || fileProgress.last() != caption)
            fileProgress << caption;
    };

    form->CmdConvert2PDF->setEnabled(true);
    form->CmdConvert2PDF->click();

    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].prompt.toStdString();
    EXPECT_EQ(form->strNewFolderNames.mid(0, 2), QStringList({"(0) Inbox", "(1) Inbox"}));
    std::vector<std::string> folders = TopLevelFolders();
    EXPECT_NE(std::find(folders.begin(), folders.end(), "(0) Inbox"), folders.end());
    EXPECT_NE(std::find(folders.begin(), folders.end(), "(1) Inbox"), folders.end());
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "(0) Inbox.dbx"),
              testsupport::ReadFile(first.toStdString()));
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "(1) Inbox.dbx"),
              testsupport::ReadFile(second.toStdString()));
    for (const auto& [name, content] : before) {
        if (name == "Folders.dbx")
            continue;  // the store's own index of folders
        EXPECT_EQ(testsupport::ReadFile(storeFolder / name), content) << name;
    }
    EXPECT_TRUE(fileProgress.contains("Completed 1 (of 2)"));
    EXPECT_TRUE(fileProgress.contains("Completed 2 (of 2)"));
    EXPECT_EQ(form->LblFileProgress->text(), "Completed 2 (of 2)");
    EXPECT_EQ(form->LblProgessCurrent->text(), "Importing... ((1) Inbox.dbx)");
    ASSERT_FALSE(desktop.captions.isEmpty());
    EXPECT_TRUE(desktop.captions.last().endsWith("100.0% Completed)"));
    EXPECT_EQ(form->ProgressBar1->value(), 100);
    EXPECT_EQ(form->LastRunOutcomes(),
              std::vector<frmMain::RowOutcome>(2, frmMain::RowOutcome::Imported));
}

TEST_F(ImportRun, TheStoreSeesTheImportedMail) {
    form->AddFileToList(MakeMailbox("Archive 2004.dbx", 4));
    form->CmdConvert2PDF_Click();
    auto imported = dbx::MessageFile::Open(storeFolder / "Archive 2004.dbx");
    EXPECT_EQ(imported.List().size(), 4u);
    EXPECT_EQ(form->strNewFolderNames[0], "Archive 2004");
}

TEST_F(ImportRun, ARepeatedNameNeverReusesAFolderTheRunDidNotMake) {
    QString work = MakeMailbox("a/Work.dbx", 1);
    QString again = MakeMailbox("b/Work.dbx", 2);
    QString upper = MakeMailbox("c/WORK.dbx", 3);
    form->AddFileToList(work);
    form->AddFileToList(again);
    form->AddFileToList(upper);
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->strNewFolderNames.mid(0, 3), QStringList({"Work", "(1) Work", "(2) WORK"}));
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "Work.dbx"),
              testsupport::ReadFile(work.toStdString()));
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "(1) Work.dbx"),
              testsupport::ReadFile(again.toStdString()));

    // A second run meets the folders of the first.
    form->ClearFileList();
    form->AddFileToList(work);
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->strNewFolderNames[0], "(0) Work");
    form->ClearFileList();
    form->AddFileToList(work);
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->strNewFolderNames[0], "(0-2) Work");
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "Work.dbx"),
              testsupport::ReadFile(work.toStdString()));
}

TEST_F(ImportRun, UpperCaseExtensionStaysAndEmptyRowsAreSkipped) {
    QString archive = MakeMailbox("ARCHIVE.DBX", 1);
    form->AddFileToList("  " + archive + " ");
    form->AddFileToList(QString());
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->strNewFolderNames[0], "ARCHIVE.DBX");
    EXPECT_TRUE(fs::exists(storeFolder / "ARCHIVE.DBX.dbx"));
    ASSERT_EQ(form->LastRunOutcomes().size(), 2u);
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::Imported);
    EXPECT_EQ(form->LastRunOutcomes().at(1), frmMain::RowOutcome::Skipped);
}

TEST_F(ImportRun, AFolderThatCannotBeMadeIsReportedAndNothingIsCopied) {
    QString store = MakeMailbox("Folders.dbx", 1);  // the store refuses its own index's name
    QString fine = MakeMailbox("Fine.dbx", 1);
    form->AddFileToList(store);
    form->AddFileToList(fine);
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::FolderNotCreated);
    EXPECT_EQ(form->LastRunOutcomes().at(1), frmMain::RowOutcome::Imported);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].prompt.contains("Folders.dbx"));
    EXPECT_NE(testsupport::ReadFile(storeFolder / "Folders.dbx"),
              testsupport::ReadFile(store.toStdString()))
        << "the store's own index was not overwritten";
    EXPECT_EQ(form->ProgressBar1->value(), 100);
}

TEST_F(ImportRun, ASecondClickDuringARunDoesNotStartAnother) {
    form->AddFileToList(MakeMailbox("Once.dbx", 200));
    int clicks = 0;
    desktop.onDoEvents = [&] {
        if (clicks++ < 3)
            form->CmdConvert2PDF->click();
    };
    form->CmdConvert2PDF_Click();
    std::vector<std::string> folders = TopLevelFolders();
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "Once"), 1);
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "(0) Once"), 0);
}

TEST_F(ImportRun, WithoutAStoreFolderNothingIsCopied) {
    form->AddFileToList(MakeMailbox("Lost.dbx", 1));
    RegDeleteTreeA(HKEY_CURRENT_USER, "Identities");
    form->CmdConvert2PDF_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].prompt.startsWith("No Outlook Express store folder"));
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::CopyFailed);
    EXPECT_NE(testsupport::ReadFile(storeFolder / "Lost.dbx"),
              testsupport::ReadFile(sources.Path() / "Lost.dbx"));
    EXPECT_TRUE(form->strStoreFolder.isEmpty());
}

}  // namespace
