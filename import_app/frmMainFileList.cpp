// The list of mailbox files to import: one full path per row of grdFiles1, its count in
// lblCount1, and the buttons that fill and empty it.
#include "import_app/frmMain.h"

#include "import_support/Desktop.h"
#include "import_support/Paths.h"
#include "import_support/RuntimeError.h"
#include "import_support/VbText.h"
#include "import_support/pathLogger.h"
#include "import_support/registry.h"

namespace {

constexpr int kFirstColumnTwips = 10000;

}  // namespace

void frmMain::AddFileToList(const QString& path) {
    bool firstRowFree = false;
    if (grdFiles1->Rows() == 1) {
        grdFiles1->SetRow(0);
        grdFiles1->SetCol(0);
        if (grdFiles1->Text().isEmpty()) {
            // Kept: the documented set-up of an empty list's first row, though the empty grid
            // already has these settings.
            grdFiles1->SetRows(1);
            grdFiles1->SetCols(1);
            grdFiles1->SetFixedRows(0);
            grdFiles1->SetRow(0);
            grdFiles1->SetColWidth(0, kFirstColumnTwips);
            grdFiles1->SetCol(0);
            firstRowFree = true;
        }
    }
    if (!firstRowFree)
        grdFiles1->SetRows(grdFiles1->Rows() + 1);
    grdFiles1->SetRow(grdFiles1->Rows() - 1);
    grdFiles1->SetCol(0);
    grdFiles1->SetText(path);
    lblCount1->setText(QStringLiteral("%1 files").arg(grdFiles1->Rows()));
}

void frmMain::ClearFileList() {
    grdFiles1->SetRows(1);
    grdFiles1->Clear();
    lblCount1->setText(QStringLiteral("0 files"));
}

void frmMain::cmdAdd_Click() {
    try {
        cdlgFile->Filter = QStringLiteral("Outlook Express Mailboxes (*.dbx)|*.dbx");
        cdlgFile->Flags = 524800;  // explorer style, several files may be chosen
        cdlgFile->MaxFileSize = 1000;
        cdlgFile->ShowOpen();
        QString chosen = cdlgFile->FileName;
        if (chosen.isEmpty())
            return;
        if (!chosen.endsWith(QChar(u'\0')))
            chosen += QChar(u'\0');
        CmdConvert2PDF->setEnabled(true);

        QStringList parts = chosen.split(QChar(u'\0'));
        qsizetype upperBound = parts.size() - 1;
        // One file: part 0 is its full path. Several: part 0 is their folder and the others are
        // their names, or, for files from several folders, the folder is empty and the others
        // are full paths. The last part, after the closing NUL, is empty.
        const bool several = upperBound > 1;
        for (qsizetype k = several ? 1 : 0; k < upperBound; ++k)
            AddFileToList(several ? paths::InFolder(parts[0], parts[k]) : parts[k]);
    } catch (const vb::RuntimeError& error) {
        QString message =
            error.Number() == vb::kBufferTooSmall
                ? QStringLiteral("Please select only %1 files at a time")
                      .arg(cdlgFile->FilesThatFit())
                : QStringLiteral("%1:%2").arg(error.Number()).arg(error.Description());
        desktop_->MsgBox(message, vb::vbExclamation, kTitle);
    }
}

void frmMain::CmdAddFolder_Click() {
    Guarded([this] {
        strSourceFolder =
            registry::BrowseForFolder(*desktop_, QStringLiteral("Choose Source Folder..."));
        if (strSourceFolder.isEmpty())
            return;
        if (!strSourceFolder.endsWith(u'/') && !strSourceFolder.endsWith(u'\\')) {
            strSourceFolder += u'/';
        }
        int added = AddFolderToList(strSourceFolder);
        CmdConvert2PDF->setEnabled(added > 0);
        desktop_->MsgBox(QStringLiteral("%1 Files Added to List.").arg(added), vb::vbOKOnly,
                         kTitle);
    });
}

int frmMain::AddFolderToList(const QString& folder) {
    desktop_->SetBusy(true);
    std::shared_ptr<pathLogger::TextCollection> found;
    try {
        pathLogger logger;
        logger.PathLogInit();
        logger.setFullFileNamesOnly(true);
        logger.LogPath(folder);
        found = logger.fullFileNames();
        logger.Terminate();
    } catch (...) {
        desktop_->SetBusy(false);
        throw;
    }
    int added = 0;
    for (const QString& path : *found) {
        desktop_->DoEvents();
        if (vb::Trim(path.right(4).toLower()) == QLatin1String(".dbx")) {
            desktop_->DoEvents();
            AddFileToList(path);
            ++added;
        }
    }
    desktop_->SetBusy(false);
    return added;
}

void frmMain::cmdClear1_Click() {
    grdFiles1->SetRow(0);
    grdFiles1->SetCol(0);
    if (grdFiles1->Text().isEmpty())
        return;
    if (desktop_->MsgBox(
            QStringLiteral("Do you want to clear all the files in the list\r\n Proceed?"),
            vb::vbYesNo + vb::vbQuestion, kTitle) == vb::vbYes) {
        ClearFileList();
    }
}
