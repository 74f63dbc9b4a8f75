// The open-file dialog with the programming model of the classic common dialog control: set
// Filter, Flags and MaxFileSize, call ShowOpen, read Files.
#pragma once

#include <QString>
#include <QStringList>

class Desktop;

namespace cdl {
constexpr int cdlOFNAllowMultiselect = 0x200;
constexpr int cdlOFNExplorer = 0x80000;
}  // namespace cdl

class CommonDialog {
  public:
    explicit CommonDialog(Desktop& desktop) : desktop_(desktop) {}

    QString Filter;
    int Flags = 0;
    int MaxFileSize = 260;  // characters of the returned text, its terminating NULs included
    // After ShowOpen: the full paths of the chosen files in the dialog's order (only the first
    // one without cdlOFNAllowMultiselect); empty when the user cancelled.
    QStringList Files;

    // Shows the dialog. The chosen files are measured as the classic dialog returns them: one
    // file's full path, or the folder followed by the chosen names, each ended by a NUL, with one
    // more NUL closing a list. Raises run-time error 20476 when that text does not fit
    // MaxFileSize; then FilesThatFit tells how many of the chosen files would have fitted.
    void ShowOpen();
    int FilesThatFit() const { return filesThatFit_; }

  private:
    Desktop& desktop_;
    int filesThatFit_ = 0;
};
