// Ferrydeck's one window: the list of mailbox files to import with its buttons, the import run
// with its progress display, the hosted Quillbox control `OE`, help and exit.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <winpal/oleauto.h>
#include <winpal/winpal.h>

#include "import_app/CommonDialog.h"
#include "import_app/FlexGrid.h"
#include "import_app/ProgressBar.h"

class Desktop;
class QFrame;
namespace olectl {
class QtControlSite;
}

class frmMain : public QWidget {
  public:
    // The outcome of one list row in the latest import run.
    // Refused: the file is not a mailbox that can be copied and read; nothing was made for it.
    enum class RowOutcome { Imported, Skipped, FolderNotCreated, CopyFailed, Refused };

    // The title of the window's message boxes.
    static inline const QString kTitle = QStringLiteral("Ferrydeck");
    static constexpr const char* kControlProgId = "QUILLBOX.QuillboxCtrl.1";

    // `desktop` answers message boxes and choosers; null makes the window use Qt's own
    // (QtDesktop, owned by the window).
    explicit frmMain(Desktop* desktop = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Creates the hosted control's window without showing the form (for use without a screen).
    void CreateControlWindow();

    // Event handlers.
    void Form_Initialize();
    void Form_Load();
    void cmdAdd_Click();
    void CmdAddFolder_Click();
    void cmdClear1_Click();
    void CmdConvert2PDF_Click();
    void CmdHelp_Click();
    void cmdEnd_Click();
    // `cancel` set keeps the window open.
    void Form_QueryUnload(bool& cancel);

    void AddFileToList(const QString& path);
    void ClearFileList();
    // Adds every mailbox file below `folder` (ending in a separator) in walk order, with the busy
    // pointer shown meanwhile; returns how many were added.
    int AddFolderToList(const QString& folder);

    // What happened to each row in the latest run, by row.
    const std::vector<RowOutcome>& LastRunOutcomes() const { return lastRunOutcomes_; }
    // Called once per row of a run, after the row is done, with a one-line account of it.
    void OnRowDone(std::function<void(const QString&)> report) { rowReport_ = std::move(report); }
    // The hosted control's automation interface, or null when it could not be created.
    IDispatch* OEDispatch() const;

    // The controls, by their names.
    QFrame* Shape2 = nullptr;
    QLabel* Image2 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* CmdAddFolder = nullptr;
    QPushButton* cmdClear1 = nullptr;
    QLabel* lblCount1 = nullptr;
    FlexGrid* grdFiles1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* LblFileProgress = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* LblProgessCurrent = nullptr;
    QLabel* LblProgress = nullptr;
    // The run's progress: the value it computes, kept as a single-precision number; the bar shows
    // it rounded.
    ProgressBar* ProgressBar1 = nullptr;
    QPushButton* CmdConvert2PDF = nullptr;
    QFrame* Shape1 = nullptr;
    QWidget* Picture3 = nullptr;
    QPushButton* CmdHelp = nullptr;
    QPushButton* cmdEnd = nullptr;
    olectl::QtControlSite* OE = nullptr;
    std::unique_ptr<CommonDialog> cdlgFile;

    // Window state.
    QString strSourceFolder;
    QStringList strNewFolderNames;
    QString strIdentityID;
    QString strStoreFolder;
    // Keeper for the import run's two folder scans: their loop variable, left on the match.
    winpal::ComPtr<IDispatch> objFolder;

    // How long a run waits for a store that another program keeps locked.
    std::chrono::milliseconds storeWait{std::chrono::seconds(60)};

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class Control;
    struct ImportRow;

    void CreateControls();
    void CreateHostedControl();
    void ConnectHandlers();
    // Runs a handler, showing any run-time error in a message box instead of ending the program.
    void Guarded(const std::function<void()>& handler);
    void SearchIdentities();
    void RunImport();
    // The run's steps, in order.
    QStringList PrepareRun(const Control& control);
    void ChooseNamesAndCreateFolders(const Control& control, const QStringList& cells,
                                     std::vector<ImportRow>& rows);
    bool FindStoreFolder(const Control& control, std::vector<ImportRow>& rows);
    void CopyEachFile(const Control& control, std::vector<ImportRow>& rows);
    std::int32_t CopyRowFile(const Control& control, int i, int count, ImportRow& row);
    // Makes `row` the grid's current row (column 0) when the grid still has it.
    void SelectGridRow(int row);
    // Walks the control's folders in list order with objFolder as the loop variable until one is
    // named `name`: its position, objFolder left on it; -1 and objFolder empty when none is.
    int ScanFolders(const Control& control, const QString& name, Qt::CaseSensitivity sensitivity);
    bool FolderNameTaken(const Control& control, const QString& name, const QStringList& chosen);
    // Creates row `i`'s folder under strNewFolderNames[i], choosing the next free name when other
    // programs take it meanwhile and waiting for a busy store; false with the row's reason when
    // the store refuses it.
    bool CreateRowFolder(const Control& control, int i, ImportRow& row, const QStringList& chosen);
    // Deletes the folder a failed row made, or records that it was left behind.
    void RemoveRowFolder(const Control& control, int i, ImportRow& row);
    QString RowLine(int i, const ImportRow& row) const;
    static QString WarningLine(const ImportRow& row);
    // The closing message: the files not imported with the reasons, and the damaged ones.
    void ReportRun(const std::vector<ImportRow>& rows);
    void ShowControlMissing();

    std::unique_ptr<Desktop> ownDesktop_;
    Desktop* desktop_ = nullptr;
    HRESULT controlResult_ = S_OK;
    bool importRunning_ = false;
    std::vector<RowOutcome> lastRunOutcomes_;
    std::function<void(const QString&)> rowReport_;
};
