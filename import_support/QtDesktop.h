// The desktop services on Qt Widgets: QMessageBox, processEvents, QFileDialog and a QLabel.
#pragma once

#include "import_support/Desktop.h"

class QLabel;
class QWidget;

class QtDesktop : public Desktop {
  public:
    // `owner` owns the dialogs; `progressLabel` shows the progress caption (may be null).
    QtDesktop(QWidget* owner, QLabel* progressLabel)
        : owner_(owner), progressLabel_(progressLabel) {}

    int MsgBox(const QString& prompt, int buttons, const QString& title) override;
    void DoEvents() override;
    QString BrowseForFolder(const QString& title) override;
    void SetProgressCaption(const QString& caption) override;
    QStringList ChooseFilesToOpen(const QString& filter) override;
    void SetBusy(bool busy) override;
    void OpenDocument(const QString& path) override;
    void EndProgram() override;

  private:
    QWidget* owner_;
    QLabel* progressLabel_;
};
