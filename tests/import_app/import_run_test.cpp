// The import run end to end, on a fresh prefix with the real mail store and the Quillbox
// control: folders are made, mailbox files copied, and nothing that was there before changes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <fstream>
#include <map>

#include <dbx/folder_file.h>
#include <dbx/header.h>
#include <dbx/message_file.h>
#include <winpal/dispatch.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>

#include "RecordingDesktop.h"
#include "import_app/frmMain.h"
#include "import_support/Paths.h"
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

// The name of the folder object `folder` refers to; "(none)" when it refers to none.
QString FolderName(IDispatch* folder) {
    if (!folder)
        return QStringLiteral("(none)");
    winpal::Variant name;
    if (FAILED(winpal::DispatchGet(folder, 1, &name)) || name.Type() != VT_BSTR)
        return QStringLiteral("(no name)");
    return QString::fromUtf16(name.Ptr()->bstrVal, SysStringLen(name.Ptr()->bstrVal));
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

// The folder scans' loop variable is left on the folder a scan stopped at, and is empty after a
// scan that found none.
TEST_F(ImportRun, TheFolderScansLeaveObjFolderOnTheMatch) {
    form->AddFileToList(MakeMailbox("Inbox.dbx", 1));
    form->AddFileToList(MakeMailbox("Work.dbx", 1));
    ASSERT_FALSE(form->objFolder);
    QStringList firstPass;   // objFolder at every yield while the folders are made
    QStringList secondPass;  // and once the store folder is found, while the rows are copied
    desktop.onDoEvents = [&] {
        const QString seen = FolderName(form->objFolder.Get());
        (form->strStoreFolder.isEmpty() ? firstPass : secondPass) << seen;
    };
    form->CmdConvert2PDF_Click();
    ASSERT_EQ(form->strNewFolderNames.mid(0, 2), QStringList({"(0) Inbox", "Work"}));
    // Every name the first pass settles on is free, so its last scan of a row finds nothing.
    EXPECT_EQ(firstPass.count("(none)"), firstPass.size()) << firstPass.join(", ").toStdString();
    // The second pass stops at each new folder and selects it, with a yield, before copying.
    ASSERT_FALSE(secondPass.isEmpty());
    EXPECT_EQ(secondPass.first(), "(none)");
    EXPECT_TRUE(secondPass.contains("(0) Inbox")) << secondPass.join(", ").toStdString();
    EXPECT_EQ(secondPass.last(), "Work");
    EXPECT_EQ(FolderName(form->objFolder.Get()), "Work");
}

// The bar's value is the run's fraction of 100 as a single-precision number; the bar shows it
// rounded and ends at 100.
TEST_F(ImportRun, TheProgressValueIsKeptAndShownRounded) {
    for (const char* name : {"One.dbx", "Two.dbx", "Three.dbx"})
        form->AddFileToList(MakeMailbox(name, 1));
    std::vector<float> values;
    std::vector<int> shown;
    form->OnRowDone([&](const QString&) {
        values.push_back(form->ProgressBar1->Value());
        shown.push_back(form->ProgressBar1->value());
    });
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(values, std::vector<float>({static_cast<float>(1.0 / 3 * 100),
                                          static_cast<float>(2.0 / 3 * 100), 100.0f}));
    EXPECT_EQ(shown, std::vector<int>({33, 67, 100}));
    EXPECT_EQ(form->ProgressBar1->Min(), 0.0f);
    EXPECT_EQ(form->ProgressBar1->Max(), 100.0f);
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

TEST_F(ImportRun, TheDbxEndingGoesInAnyLetterCaseAndEmptyRowsAreSkipped) {
    QString archive = MakeMailbox("ARCHIVE.DBX", 1);
    QString mixed = MakeMailbox("B.DbX", 1);
    form->AddFileToList("  " + archive + " ");
    form->AddFileToList(QString());
    form->AddFileToList(mixed);
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->strNewFolderNames.mid(0, 3), QStringList({"ARCHIVE", "", "B"}));
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "ARCHIVE.dbx"),
              testsupport::ReadFile(archive.toStdString()));
    EXPECT_TRUE(fs::exists(storeFolder / "B.dbx"));
    EXPECT_EQ(form->LastRunOutcomes(),
              std::vector<frmMain::RowOutcome>({frmMain::RowOutcome::Imported,
                                                frmMain::RowOutcome::Skipped,
                                                frmMain::RowOutcome::Imported}));
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
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_TRUE(desktop.messages[0].prompt.startsWith("No Outlook Express store folder"));
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::CopyFailed);
    // The folder made for it is taken away again.
    EXPECT_TRUE(desktop.messages[1].prompt.contains("its new folder was removed again"));
    std::vector<std::string> folders = TopLevelFolders();
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "Lost"), 0);
    EXPECT_NE(testsupport::ReadFile(storeFolder / "Lost.dbx"),
              testsupport::ReadFile(sources.Path() / "Lost.dbx"));
    EXPECT_TRUE(form->strStoreFolder.isEmpty());
}

// Files that are no readable mailbox, or that cannot be copied, are refused with the reason
// before anything is made for them; the store stays exactly as it was.
TEST_F(ImportRun, WhatIsNoReadableMailboxIsRefusedBeforeItsFolderIsMade) {
    QString good = MakeMailbox("Good.dbx", 30);
    const std::string goodBytes = testsupport::ReadFile(good.toStdString());
    auto write = [&](const std::string& name, const std::string& bytes) {
        testsupport::WriteFile(sources.Path() / name, bytes);
        return QString::fromStdString((sources.Path() / name).string());
    };
    fs::create_directory(sources.Path() / "Folder.dbx");
    testsupport::WriteFile(sources.Path() / "Huge.dbx", "");
    fs::resize_file(sources.Path() / "Huge.dbx", 2147483648ull);  // sparse
    struct Case {
        QString file;
        const char* reason;
    } cases[] = {
        {write("Notes.dbx", "Not a mailbox at all.\n"), "not an Outlook Express mailbox file"},
        {write("Empty.dbx", ""), "it is empty"},
        {write("Copy of Folders.dbx", testsupport::ReadFile(storeFolder / "Folders.dbx")),
         "folder table"},
        {write("Cut.dbx", goodBytes.substr(0, goodBytes.size() / 2)), "cut short"},
        {QString::fromStdString((sources.Path() / "Folder.dbx").string()), "is a folder"},
        {QString::fromStdString((sources.Path() / "Missing.dbx").string()), "does not exist"},
        {QString::fromStdString((sources.Path() / "Huge.dbx").string()), "2 GiB or larger"},
    };
    const std::vector<std::string> foldersBefore = TopLevelFolders();
    QStringList lines;
    form->OnRowDone([&](const QString& line) { lines << line; });
    for (const Case& c : cases)
        form->AddFileToList(c.file);
    form->CmdConvert2PDF_Click();

    EXPECT_EQ(TopLevelFolders(), foldersBefore);
    EXPECT_EQ(MailboxFiles(storeFolder), before);
    ASSERT_EQ(desktop.messages.size(), 1u);
    const QString& closing = desktop.messages[0].prompt;
    EXPECT_TRUE(closing.startsWith("These files were not imported:")) << closing.toStdString();
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(form->LastRunOutcomes().at(i), frmMain::RowOutcome::Refused) << i;
        EXPECT_TRUE(lines[i].startsWith(cases[i].file + ": not imported: "))
            << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(cases[i].reason)) << lines[i].toStdString();
        EXPECT_TRUE(closing.contains(lines[i])) << lines[i].toStdString();
    }
}

// A mailbox with damage that spares its mail is imported, with a warning.
TEST_F(ImportRun, ADamagedMailboxWhoseMailReadsIsImportedWithAWarning) {
    QString damaged = MakeMailbox("Damaged.dbx", 3);
    {
        std::fstream file(damaged.toStdString(), std::ios::in | std::ios::out | std::ios::binary);
        // The header's id counter below the ids in use: the next message would reuse an id.
        // (Wrong free-space statistics are no damage; mail clients leave them.)
        file.seekp(dbx::hdr::kLastId);
        file.write("\x01\x00\x00\x00", 4);
    }
    QStringList lines;
    form->OnRowDone([&](const QString& line) { lines << line; });
    form->AddFileToList(damaged);
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::Imported);
    EXPECT_EQ(dbx::MessageFile::Open(storeFolder / "Damaged.dbx").List().size(), 3u);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].contains("imported, but it is damaged")) << lines[1].toStdString();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].prompt.contains("These files are damaged"));
}

// A backslash is part of a Linux file name: never a separator that makes a folder of the rest.
TEST_F(ImportRun, ABackslashInAFileNameIsPartOfTheName) {
    QString slashed = MakeMailbox("back\\slash.dbx", 1);
    form->AddFileToList(slashed);
    form->CmdConvert2PDF_Click();
    std::vector<std::string> folders = TopLevelFolders();
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "slash"), 0);
    EXPECT_EQ(form->strNewFolderNames[0], "back\\slash");
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::FolderNotCreated);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(
        desktop.messages[0].prompt.contains("the store cannot take the name \"back\\slash\""))
        << desktop.messages[0].prompt.toStdString();
}

// A refused folder says why: a stray file of its name in the store folder, or a locked store.
TEST_F(ImportRun, ARefusedFolderSaysWhy) {
    testsupport::WriteFile(storeFolder / "stray.dbx", "left here by someone");
    form->AddFileToList(MakeMailbox("Stray.dbx", 1));
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::FolderNotCreated);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(
        desktop.messages[0].prompt.contains("a file named \"Stray.dbx\" that belongs to "
                                            "no folder lies in the store folder"))
        << desktop.messages[0].prompt.toStdString();
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "stray.dbx"), "left here by someone");

    // Another program holds the store locked for longer than the run waits.
    int held = open((storeFolder / "Folders.dbx").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    form->storeWait = std::chrono::milliseconds(200);
    desktop.messages.clear();
    form->ClearFileList();
    form->AddFileToList(MakeMailbox("Locked.dbx", 1));
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::FolderNotCreated);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].prompt.contains("the store is locked by another program"))
        << desktop.messages[0].prompt.toStdString();

    // A store that is busy for a while only: the run waits, then the folder is made.
    form->storeWait = std::chrono::seconds(60);
    desktop.messages.clear();
    // Released at the first yield after the store refused (the run yields twice before it).
    const int yieldsBefore = desktop.yields;
    desktop.onDoEvents = [&] {
        if (held >= 0 && desktop.yields > yieldsBefore + 2) {
            close(held);
            held = -1;
        }
    };
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::Imported);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "Locked.dbx"),
              testsupport::ReadFile(sources.Path() / "Locked.dbx"));
    if (held >= 0)
        close(held);
}

// A row that fails after its folder was made takes the folder away again.
TEST_F(ImportRun, AFailedCopyRemovesItsNewFolder) {
    QString vanishing = MakeMailbox("Vanishing.dbx", 2);
    QString kept = MakeMailbox("Kept.dbx", 2);
    form->AddFileToList(vanishing);
    form->AddFileToList(kept);
    desktop.onDoEvents = [&] {
        // Once its folder is made, the first file goes away, so that its copy fails.
        if (form->LastRunOutcomes().size() == 2 &&
            form->LastRunOutcomes()[0] == frmMain::RowOutcome::Imported)
            fs::remove(vanishing.toStdString());
    };
    form->CmdConvert2PDF_Click();
    std::vector<std::string> folders = TopLevelFolders();
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "Vanishing"), 0);
    EXPECT_FALSE(fs::exists(storeFolder / "Vanishing.dbx"));
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "Kept"), 1);
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::CopyFailed);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].title, "CopyFileByChunk");
    EXPECT_TRUE(desktop.messages[1].prompt.contains("its new folder was removed again"))
        << desktop.messages[1].prompt.toStdString();
}

// Without "Start As", an identity whose store root is empty is not the one imported into.
TEST_F(ImportRun, AnIdentityWithAnEmptyStoreRootIsNotChosen) {
    HKEY identities = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Identities", 0, KEY_ALL_ACCESS, &identities),
              ERROR_SUCCESS);
    HKEY empty = nullptr;
    ASSERT_EQ(RegCreateKeyExA(identities,
                              "{00000000-0000-0000-0000-000000000000}\\Software\\Microsoft\\"
                              "Outlook Express\\5.0",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(empty, "Store Root", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(empty);
    RegDeleteValueA(identities, "Start As");
    RegCloseKey(identities);

    form->AddFileToList(MakeMailbox("Lands.dbx", 2));
    form->CmdConvert2PDF_Click();
    EXPECT_EQ(form->LastRunOutcomes().at(0), frmMain::RowOutcome::Imported);
    EXPECT_EQ(paths::ToFs(form->strStoreFolder), storeFolder);
    EXPECT_EQ(testsupport::ReadFile(storeFolder / "Lands.dbx"),
              testsupport::ReadFile(sources.Path() / "Lands.dbx"));
}

}  // namespace
