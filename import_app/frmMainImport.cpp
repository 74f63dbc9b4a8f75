// The import run: every listed mailbox file becomes a new top-level folder of the store, made
// through the hosted control, and the file is copied over the mailbox file the store keeps for
// that folder.
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include <dbx/text_case.h>
#include <winpal/dispatch.h>
#include <winpal/winpal.h>

#include "import_app/CopyTempFiles.h"
#include "import_app/SourceCheck.h"
#include "import_app/frmMain.h"
#include "import_app/modMain.h"
#include "import_support/DBXFiles.h"
#include "import_support/Desktop.h"
#include "import_support/FileLocks.h"
#include "import_support/Paths.h"
#include "import_support/RuntimeError.h"
#include "import_support/VbText.h"
#include "import_support/registry.h"

namespace {

// Dispatch ids of the control's members the run calls.
constexpr DISPID kControlFolders = 1;
constexpr DISPID kControlFolder = 2;
constexpr DISPID kFoldersCount = 1;
constexpr DISPID kFoldersFindFolderID = 3;
constexpr DISPID kFoldersDeleteFolder = 4;
constexpr DISPID kFoldersCreateFolder = 9;
constexpr DISPID kFoldersRefresh = 10;
constexpr DISPID kFolderName = 1;

constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;

// A failed call on the control, as a run-time error.
void Check(HRESULT hr, const winpal::DispatchFailure& failure) {
    if (SUCCEEDED(hr))
        return;
    QString description = failure.description.empty()
                              ? QStringLiteral("Automation error")
                              : QString::fromStdU16String(failure.description);
    throw vb::RuntimeError(static_cast<int>(hr), description);
}

QString TextOf(const winpal::Variant& value) {
    winpal::Variant text;
    if (FAILED(VariantChangeType(text.Ptr(), value.Ptr(), 0, VT_BSTR)))
        return QString();
    return QString::fromUtf16(text.Ptr()->bstrVal, SysStringLen(text.Ptr()->bstrVal));
}

}  // namespace

// The members of the hosted control that the run uses. The folders collection is read from the
// control afresh for every use and held only for the length of the call.
class frmMain::Control {
  public:
    explicit Control(IDispatch* control) : control_(control) {}

    int Count() const {
        winpal::Variant count;
        Call(winpal::DispatchGet(Folders().Get(), kFoldersCount, &count));
        winpal::Variant number;
        Call(VariantChangeType(number.Ptr(), count.Ptr(), 0, VT_I4));
        return number.Ptr()->lVal;
    }

    // Hands each folder object to `visit`, in list order, until it answers false.
    void ForEachFolder(const std::function<bool(IDispatch* folder)>& visit) const {
        winpal::DispatchFailure failure;
        Check(winpal::DispatchForEach(Folders().Get(), visit, &failure), failure);
    }

    static QString Name(IDispatch* folder) {
        winpal::Variant name;
        Call(winpal::DispatchGet(folder, kFolderName, &name));
        return TextOf(name);
    }

    bool CreateFolder(const QString& name) const {
        winpal::Variant created;
        Call(winpal::DispatchInvoke(
            Folders().Get(), kFoldersCreateFolder, DISPATCH_METHOD,
            {winpal::Variant::Text(name.toStdU16String()), winpal::Variant::I4(0)}, &created));
        return created.Type() == VT_BOOL && created.Ptr()->boolVal != VARIANT_FALSE;
    }

    // Deletes the folder at `position` in the list as last loaded; false when the store refuses.
    bool DeleteFolderAt(int position) const {
        winpal::Variant id;
        Call(winpal::DispatchInvoke(Folders().Get(), kFoldersFindFolderID, DISPATCH_METHOD,
                                    {winpal::Variant::I2(static_cast<SHORT>(position))}, &id));
        winpal::Variant deleted;
        Call(winpal::DispatchInvoke(Folders().Get(), kFoldersDeleteFolder, DISPATCH_METHOD, {id},
                                    &deleted));
        return deleted.Type() == VT_BOOL && deleted.Ptr()->boolVal != VARIANT_FALSE;
    }

    void Refresh() const {
        Call(
            winpal::DispatchInvoke(Folders().Get(), kFoldersRefresh, DISPATCH_METHOD, {}, nullptr));
    }

    void SetFolder(int position) const {
        Call(winpal::DispatchPut(control_, kControlFolder,
                                 winpal::Variant::I2(static_cast<SHORT>(position))));
    }

  private:
    static void Call(HRESULT hr) { Check(hr, winpal::DispatchFailure{}); }

    winpal::ComPtr<IDispatch> Folders() const {
        winpal::Variant folders;
        winpal::DispatchFailure failure;
        Check(winpal::DispatchGet(control_, kControlFolders, &folders, {}, &failure), failure);
        winpal::ComPtr<IDispatch> collection = winpal::DispatchOf(folders);
        if (!collection)
            throw vb::RuntimeError(vb::kObjectNotSet);
        return collection;
    }

    IDispatch* control_;
};

namespace {

// The folder name for a list row: `base` (the file name without ".dbx"), prefixed with "(row) "
// when that name is `taken`; and, when that is taken as well, prefixed with "(row-2) ",
// "(row-3) ", ... until it is free, so that no run ever copies over the mailbox file of a folder
// it did not create.
QString ChooseFolderName(const QString& base, int row,
                         const std::function<bool(const QString&)>& taken) {
    QString name = taken(base) ? QStringLiteral("(%1) %2").arg(row).arg(base) : base;
    for (int attempt = 2; taken(name); ++attempt) {
        name = QStringLiteral("(%1-%2) %3").arg(row).arg(attempt).arg(base);
    }
    return name;
}

// How often a row tries the next free name when other programs keep taking the one it chose.
constexpr int kNameAttempts = 20;
constexpr char kFoldersFile[] = "Folders.dbx";
constexpr std::chrono::milliseconds kStorePoll{50};

// Whether the store folder holds a file that a folder named `name` would need as its mailbox
// (compared as the store compares file names).
bool StrayMailboxFile(const std::filesystem::path& store, const QString& name) {
    const std::string file = vb::ToAnsi(name + QStringLiteral(".dbx"));
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(store, error)) {
        if (dbx::SameTextIgnoringCase(winpal::AnsiFromPath(entry.path().filename()), file))
            return true;
    }
    return false;
}

}  // namespace

void frmMain::CmdConvert2PDF_Click() {
    if (importRunning_)
        return;  // a click while a run yields does not start a second run
    if (!OEDispatch()) {
        ShowControlMissing();
        return;
    }
    importRunning_ = true;
    Guarded([this] { RunImport(); });
    importRunning_ = false;
}

// One list row in a run.
struct frmMain::ImportRow {
    QString source;   // the listed path, trimmed
    QString base;     // the folder name before de-duplication
    QString reason;   // why the file was not imported
    QString warning;  // what is wrong with a damaged mailbox that was imported anyway
    bool folderMade = false;
};

// The run in its documented passes: the names and folders first, then the store folder, then
// each file's copy, and the closing message.
void frmMain::RunImport() {
    Control control(OEDispatch());
    const QStringList cells = PrepareRun(control);
    std::vector<ImportRow> rows(cells.size());
    ChooseNamesAndCreateFolders(control, cells, rows);
    if (FindStoreFolder(control, rows))
        CopyEachFile(control, rows);
    ReportRun(rows);
}

void frmMain::SelectGridRow(int row) {
    if (row >= grdFiles1->Rows())
        return;
    grdFiles1->SetRow(row);
    grdFiles1->SetCol(0);
}

// The bar and labels set up, the list's cells as they stand when the button is pressed, and the
// name list made afresh.
QStringList frmMain::PrepareRun(const Control& control) {
    desktop_->DoEvents();
    ProgressBar1->SetMin(0);
    ProgressBar1->SetMax(100);
    desktop_->DoEvents();
    LblFileProgress->setText(QString());

    QStringList cells;
    for (int row = 0; row < grdFiles1->Rows(); ++row) {
        grdFiles1->SetRow(row);
        grdFiles1->SetCol(0);
        cells.append(grdFiles1->Text());
    }
    control.Refresh();
    strNewFolderNames = QStringList(control.Count() + cells.size() + 1, QString());
    lastRunOutcomes_.assign(cells.size(), RowOutcome::Skipped);
    return cells;
}

// First pass: every listed file is looked at before anything is made for it; a readable mailbox
// gets a name and its folder.
void frmMain::ChooseNamesAndCreateFolders(const Control& control, const QStringList& cells,
                                          std::vector<ImportRow>& rows) {
    QStringList chosen;
    for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
        SelectGridRow(i);
        if (vb::Trim(cells[i]).isEmpty())
            continue;  // empty rows are skipped
        ImportRow& row = rows[i];
        row.source = vb::Trim(cells[i]);
        SourceCheck check = CheckSource(row.source);
        if (!check.importable) {
            row.reason = check.reason;
            lastRunOutcomes_[i] = RowOutcome::Refused;
            desktop_->DoEvents();
            continue;
        }
        row.warning = check.warning;
        row.base = FolderNameOfListedFile(row.source);
        strNewFolderNames[i] = ChooseFolderName(row.base, i, [&](const QString& candidate) {
            return FolderNameTaken(control, candidate, chosen);
        });
        row.folderMade = CreateRowFolder(control, i, row, chosen);
        lastRunOutcomes_[i] = row.folderMade ? RowOutcome::Imported : RowOutcome::FolderNotCreated;
        if (row.folderMade)
            chosen.append(strNewFolderNames[i]);
        desktop_->DoEvents();
    }
}

// Between the passes: the control's list re-read and the store folder found. Without one, no
// file is copied and the folders made for them are taken away again.
bool frmMain::FindStoreFolder(const Control& control, std::vector<ImportRow>& rows) {
    desktop_->DoEvents();
    control.Refresh();
    SearchIdentities();
    if (strStoreFolder.isEmpty()) {
        desktop_->MsgBox(QStringLiteral("No Outlook Express store folder was found for the current "
                                        "identity, so no mailbox file was copied."),
                         vb::vbExclamation, kTitle);
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            if (lastRunOutcomes_[i] == RowOutcome::Imported) {
                lastRunOutcomes_[i] = RowOutcome::CopyFailed;
                rows[i].reason = QStringLiteral("no store folder was found to copy into");
                RemoveRowFolder(control, i, rows[i]);
            }
        }
        return false;
    }
    // Temporary files that killed runs left in the store folder.
    copytemp::RemoveStaleTempFiles(paths::ToFs(strStoreFolder));
    return true;
}

// Second pass: select each new folder and copy the file over its mailbox file.
void frmMain::CopyEachFile(const Control& control, std::vector<ImportRow>& rows) {
    const int count = static_cast<int>(rows.size());
    for (int i = 0; i < count; ++i) {
        ImportRow& row = rows[i];
        auto advanceBar = [&] {
            ProgressBar1->SetValue(static_cast<float>((i + 1.0) / count * 100.0));
        };
        if (lastRunOutcomes_[i] != RowOutcome::Imported) {
            if (rowReport_ && !row.source.isEmpty())
                rowReport_(RowLine(i, row));
            advanceBar();
            continue;
        }
        const std::int32_t copied = CopyRowFile(control, i, count, row);
        advanceBar();
        if (rowReport_) {
            rowReport_(copied < 0 ? RowLine(i, row)
                                  : QStringLiteral("%1: imported into \"%2\" (%3 bytes)")
                                        .arg(row.source, strNewFolderNames[i])
                                        .arg(copied));
            if (copied >= 0 && !row.warning.isEmpty())
                rowReport_(WarningLine(row));
        }
    }
    desktop_->DoEvents();
}

// Selects row `i`'s new folder in the control and copies its file; a failed copy takes the
// folder away again. The copy's result.
std::int32_t frmMain::CopyRowFile(const Control& control, int i, int count, ImportRow& row) {
    SelectGridRow(i);
    desktop_->DoEvents();
    const QString name = strNewFolderNames[i];
    if (const int position = ScanFolders(control, name, Qt::CaseSensitive); position >= 0) {
        control.SetFolder(position);
        desktop_->DoEvents();
    }
    control.SetFolder(control.Count() - 1);
    LblProgessCurrent->setText(QStringLiteral("Importing... (") + name + QStringLiteral(".dbx)"));
    LblFileProgress->setText(QStringLiteral("Completed %1 (of %2)").arg(i + 1).arg(count));
    QString destination = strStoreFolder + u'/' + name + QStringLiteral(".dbx");
    const std::int32_t copied = modMain::CopyFileByChunk(row.source, destination, 0, *desktop_);
    if (copied < 0) {
        lastRunOutcomes_[i] = RowOutcome::CopyFailed;
        row.reason = copied == -1 ? QStringLiteral("the copy into \"%1\" failed").arg(name)
                                  : QStringLiteral("the file shrank while it was copied");
        RemoveRowFolder(control, i, row);
    }
    return copied;
}

void frmMain::RemoveRowFolder(const Control& control, int i, ImportRow& row) {
    const QString& name = strNewFolderNames[i];
    control.Refresh();
    const int position = ScanFolders(control, name, Qt::CaseSensitive);
    if (position >= 0 && control.DeleteFolderAt(position)) {
        row.folderMade = false;
        row.reason += QStringLiteral("; its new folder was removed again");
        return;
    }
    row.reason += QStringLiteral("; its new folder \"%1\" was left behind, empty").arg(name);
}

QString frmMain::RowLine(int i, const ImportRow& row) const {
    if (lastRunOutcomes_[i] == RowOutcome::FolderNotCreated) {
        return QStringLiteral("%1: the folder \"%2\" could not be created: %3")
            .arg(row.source, strNewFolderNames[i], row.reason);
    }
    return QStringLiteral("%1: not imported: %2").arg(row.source, row.reason);
}

QString frmMain::WarningLine(const ImportRow& row) {
    return QStringLiteral("%1: imported, but %2").arg(row.source, row.warning);
}

void frmMain::ReportRun(const std::vector<ImportRow>& rows) {
    QStringList notImported;
    QStringList damaged;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        RowOutcome outcome = lastRunOutcomes_[i];
        if (outcome == RowOutcome::Imported && !rows[i].warning.isEmpty())
            damaged.append(WarningLine(rows[i]));
        else if (outcome != RowOutcome::Imported && outcome != RowOutcome::Skipped)
            notImported.append(RowLine(i, rows[i]));
    }
    QStringList sections;
    if (!notImported.isEmpty()) {
        sections.append(QStringLiteral("These files were not imported:\r\n") +
                        notImported.join(QStringLiteral("\r\n")));
    }
    if (!damaged.isEmpty()) {
        sections.append(QStringLiteral("These files are damaged; their readable mail was "
                                       "imported:\r\n") +
                        damaged.join(QStringLiteral("\r\n")));
    }
    if (!sections.isEmpty())
        desktop_->MsgBox(sections.join(QStringLiteral("\r\n\r\n")), vb::vbExclamation, kTitle);
}

int frmMain::ScanFolders(const Control& control, const QString& name,
                         Qt::CaseSensitivity sensitivity) {
    int position = 0;
    bool found = false;
    control.ForEachFolder([&](IDispatch* folder) {
        objFolder = winpal::ComPtr<IDispatch>::Share(folder);
        found = Control::Name(folder).compare(name, sensitivity) == 0;
        if (!found)
            ++position;
        return !found;
    });
    if (!found) {
        objFolder.Reset();  // a scan that ran through leaves its loop variable empty
        return -1;
    }
    return position;
}

// Taken: a folder of the name in any letter case, or a name this run chose already.
bool frmMain::FolderNameTaken(const Control& control, const QString& name,
                              const QStringList& chosen) {
    return ScanFolders(control, name, Qt::CaseInsensitive) >= 0 ||
           chosen.contains(name, Qt::CaseInsensitive);
}

bool frmMain::CreateRowFolder(const Control& control, int i, ImportRow& row,
                              const QStringList& chosen) {
    std::optional<std::chrono::steady_clock::time_point> busyUntil;
    bool retried = false;
    for (int attempt = 1;; ++attempt) {
        const QString& name = strNewFolderNames[i];
        if (control.CreateFolder(name))
            return true;
        // Why not? Another program may have made a folder of this name since the list was read.
        control.Refresh();
        auto taken = [&](const QString& candidate) {
            return FolderNameTaken(control, candidate, chosen);
        };
        if (taken(name)) {
            if (attempt < kNameAttempts) {
                strNewFolderNames[i] = ChooseFolderName(row.base, i, taken);
                continue;
            }
            row.reason = QStringLiteral("a folder named \"%1\" already exists").arg(name);
            return false;
        }
        if (strStoreFolder.isEmpty())
            SearchIdentities();
        const std::filesystem::path store = paths::ToFs(strStoreFolder);
        if (!strStoreFolder.isEmpty() && StrayMailboxFile(store, name)) {
            row.reason = QStringLiteral(
                             "a file named \"%1.dbx\" that belongs to no folder lies in "
                             "the store folder")
                             .arg(name);
            return false;
        }
        // Another program is changing the store: wait for it, within a bound, and try again.
        auto locked = [&] {
            return !strStoreFolder.isEmpty() && filelocks::LockedByAnother(store / kFoldersFile);
        };
        if (locked()) {
            if (!busyUntil)
                busyUntil = std::chrono::steady_clock::now() + storeWait;
            while (locked() && std::chrono::steady_clock::now() < *busyUntil) {
                desktop_->DoEvents();
                std::this_thread::sleep_for(kStorePoll);
            }
            if (!locked() && std::chrono::steady_clock::now() < *busyUntil)
                continue;
            row.reason = QStringLiteral("the store is locked by another program");
            return false;
        }
        // A store that was busy a moment ago looks the same as one refusing the name: one more
        // try tells them apart.
        if (!retried) {
            retried = true;
            continue;
        }
        row.reason =
            QStringLiteral("the store cannot take the name \"%1\" (%2)")
                .arg(name, QStringLiteral("a folder name cannot hold \\ / : * ? \" < > | or "
                                          "control characters, be a device name such as "
                                          "CON or NUL, or be longer than the store allows"));
        return false;
    }
}
void frmMain::SearchIdentities() {
    strIdentityID = registry::QueryRegValue(kHkeyCurrentUser, QStringLiteral("Identities"),
                                            QStringLiteral("Start As"))
                        .toString();
    StoreFolderList folders = DBXFiles(*desktop_).GetStoreFolder();
    for (qsizetype i = 0; i < UBound(folders); ++i) {
        // An empty identifier is contained only in a non-empty text: an identity whose store
        // root is empty is never taken.
        if (!folders[i].isEmpty() && folders[i].contains(strIdentityID, Qt::CaseSensitive)) {
            strStoreFolder = folders[i];
            return;
        }
    }
}
