// The desktop services without a screen, for running an import from the command line: message
// boxes are printed to the error stream and answered with their first button (No for a yes/no
// question), choosers choose nothing, progress captions are not shown.
#pragma once

#include "import_support/Desktop.h"

class ConsoleDesktop : public Desktop {
  public:
    int MsgBox(const QString& prompt, int buttons, const QString& title) override;
    void DoEvents() override;
    QString BrowseForFolder(const QString&) override { return {}; }
    void SetProgressCaption(const QString&) override {}
    QStringList ChooseFilesToOpen(const QString&) override { return {}; }
    void SetBusy(bool) override {}
    void OpenDocument(const QString& path) override;
    void EndProgram() override;
};
