// The import run: every listed mailbox file becomes a new top-level folder of the store, made
// through the hosted control, and the file is copied over the mailbox file the store keeps for
// that folder.
#include <QFileInfo>

#include <winpal/dispatch.h>

#include "import_app/frmMain.h"
#include "import_app/modMain.h"
#include "import_support/DBXFiles.h"
#include "import_support/Desktop.h"
#include "import_support/RuntimeError.h"
#include "import_support/VbText.h"
#include "import_support/registry.h"

namespace {

// Dispatch ids of the control's members the run calls.
constexpr DISPID kControlFolders = 1;
constexpr DISPID kControlFolder = 2;
constexpr DISPID kFoldersCount = 1;
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

// The members of the hosted control that the run uses. The folders collection is read from the
// control afresh for every use and held only for the length of the call.
class Control {
  public:
    explicit Control(IDispatch* control) : control_(control) {}

    int Count() const {
        winpal::Variant count;
        Call(winpal::DispatchGet(Folders().Get(), kFoldersCount, &count));
        winpal::Variant number;
        Call(VariantChangeType(number.Ptr(), count.Ptr(), 0, VT_I4));
        return number.Ptr()->lVal;
    }

    // The names of all folders, in list order.
    QStringList FolderNames() const {
        QStringList names;
        winpal::DispatchFailure failure;
        HRESULT hr = winpal::DispatchForEach(
            Folders().Get(),
            [&](IDispatch* folder) {
                winpal::Variant name;
                Call(winpal::DispatchGet(folder, kFolderName, &name));
                names.append(TextOf(name));
                return true;
            },
            &failure);
        Check(hr, failure);
        return names;
    }

    bool CreateFolder(const QString& name) const {
        winpal::Variant created;
        Call(winpal::DispatchInvoke(
            Folders().Get(), kFoldersCreateFolder, DISPATCH_METHOD,
            {winpal::Variant::Text(name.toStdU16String()), winpal::Variant::I4(0)}, &created));
        return created.Type() == VT_BOOL && created.Ptr()->boolVal != VARIANT_FALSE;
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

// The folder name for a list row: the file name without ".dbx" (exact letter case, every
// occurrence), trimmed; prefixed with "(row) " when that name is taken (by a folder in any letter
// case, or by a name this run chose already); and, when that is taken as well, prefixed with
// "(row-2) ", "(row-3) ", ... until it is free, so that no run ever copies over the mailbox file
// of a folder it did not create.
QString ChooseFolderName(const QString& cell, int row, const QStringList& existing,
                         const QStringList& chosenEarlier) {
    QString base = vb::Trim(registry::FileNameOfPath(cell).remove(QStringLiteral(".dbx")));
    auto taken = [&](const QString& candidate) {
        return existing.contains(candidate, Qt::CaseInsensitive) ||
               chosenEarlier.contains(candidate, Qt::CaseInsensitive);
    };
    QString name = taken(base) ? QStringLiteral("(%1) %2").arg(row).arg(base) : base;
    for (int attempt = 2; taken(name); ++attempt) {
        name = QStringLiteral("(%1-%2) %3").arg(row).arg(attempt).arg(base);
    }
    return name;
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

void frmMain::RunImport() {
    Control control(OEDispatch());
    desktop_->DoEvents();
    ProgressBar1->setRange(0, 100);
    desktop_->DoEvents();
    LblFileProgress->setText(QString());

    // The run works on the list as it stands when the button is pressed.
    QStringList cells;
    for (int row = 0; row < grdFiles1->Rows(); ++row) {
        grdFiles1->SetRow(row);
        grdFiles1->SetCol(0);
        cells.append(grdFiles1->Text());
    }
    const int rows = static_cast<int>(cells.size());
    auto showRow = [this](int row) {
        if (row >= grdFiles1->Rows())
            return;
        grdFiles1->SetRow(row);
        grdFiles1->SetCol(0);
    };

    control.Refresh();
    QStringList existing = control.FolderNames();
    strNewFolderNames = QStringList(existing.size() + rows + 1, QString());
    lastRunOutcomes_.assign(rows, RowOutcome::Skipped);

    // First pass: a name for every row, and its folder.
    QStringList chosen;
    for (int i = 0; i < rows; ++i) {
        showRow(i);
        if (vb::Trim(cells[i]).isEmpty())
            continue;  // empty rows are skipped
        QString name = ChooseFolderName(cells[i], i, existing, chosen);
        strNewFolderNames[i] = name;
        if (control.CreateFolder(name)) {
            chosen.append(name);
            lastRunOutcomes_[i] = RowOutcome::Imported;
        } else {
            lastRunOutcomes_[i] = RowOutcome::FolderNotCreated;
        }
        desktop_->DoEvents();
    }

    desktop_->DoEvents();
    control.Refresh();
    SearchIdentities();
    if (strStoreFolder.isEmpty()) {
        desktop_->MsgBox(QStringLiteral("No Outlook Express store folder was found for the current "
                                        "identity, so no mailbox file was copied."),
                         vb::vbExclamation, kTitle);
        for (RowOutcome& outcome : lastRunOutcomes_) {
            if (outcome == RowOutcome::Imported)
                outcome = RowOutcome::CopyFailed;
        }
        return;
    }

    // Second pass: select each new folder and copy the file over its mailbox file.
    QStringList notCreated;
    for (int i = 0; i < rows; ++i) {
        auto advanceBar = [&] {
            ProgressBar1->setValue(static_cast<int>(static_cast<float>(i + 1) / rows * 100));
        };
        if (lastRunOutcomes_[i] != RowOutcome::Imported) {
            if (lastRunOutcomes_[i] == RowOutcome::FolderNotCreated) {
                QString line = QStringLiteral("%1: the folder \"%2\" could not be created")
                                   .arg(vb::Trim(cells[i]), strNewFolderNames[i]);
                notCreated.append(line);
                if (rowReport_)
                    rowReport_(line);
            }
            advanceBar();
            continue;
        }
        showRow(i);
        desktop_->DoEvents();
        const QString name = strNewFolderNames[i];
        int position = 0;
        for (const QString& folder : control.FolderNames()) {
            if (folder == name) {
                control.SetFolder(position);
                desktop_->DoEvents();
                break;
            }
            ++position;
        }
        control.SetFolder(control.Count() - 1);
        LblProgessCurrent->setText(QStringLiteral("Importing... (") + name +
                                   QStringLiteral(".dbx)"));
        LblFileProgress->setText(QStringLiteral("Completed %1 (of %2)").arg(i + 1).arg(rows));
        QString destination = strStoreFolder + u'/' + name + QStringLiteral(".dbx");
        QString source = vb::Trim(cells[i]);
        std::int32_t copied = modMain::CopyFileByChunk(source, destination, 0, *desktop_);
        if (copied < 0)
            lastRunOutcomes_[i] = RowOutcome::CopyFailed;
        advanceBar();
        if (rowReport_) {
            rowReport_(copied < 0 ? QStringLiteral("%1: copy into \"%2\" failed").arg(source, name)
                                  : QStringLiteral("%1: imported into \"%2\" (%3 bytes)")
                                        .arg(source, name)
                                        .arg(copied));
        }
    }
    desktop_->DoEvents();
    if (!notCreated.isEmpty()) {
        desktop_->MsgBox(QStringLiteral("These files were not imported:\r\n") +
                             notCreated.join(QStringLiteral("\r\n")),
                         vb::vbExclamation, kTitle);
    }
}

void frmMain::SearchIdentities() {
    strIdentityID = registry::QueryRegValue(kHkeyCurrentUser, QStringLiteral("Identities"),
                                            QStringLiteral("Start As"))
                        .toString();
    StoreFolderList folders = DBXFiles(*desktop_).GetStoreFolder();
    for (qsizetype i = 0; i < UBound(folders); ++i) {
        if (folders[i].contains(strIdentityID, Qt::CaseSensitive)) {
            strStoreFolder = folders[i];
            return;
        }
    }
}
