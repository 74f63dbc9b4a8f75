// The open-file dialog with the programming model of the classic common dialog control: set
// Filter, Flags and MaxFileSize, call ShowOpen, read FileName.
#pragma once

#include <QString>

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
    // After ShowOpen: one file's full path, or the folder followed by the chosen names, all
    // separated by NUL characters; when the chosen files lie in several folders, an empty folder
    // followed by their full paths. Empty when the user cancelled.
    QString FileName;

    // Shows the dialog. Raises run-time error 20476 when the text does not fit MaxFileSize; then
    // FilesThatFit tells how many of the chosen files would have fitted.
    void ShowOpen();
    int FilesThatFit() const { return filesThatFit_; }

  private:
    Desktop& desktop_;
    int filesThatFit_ = 0;
};
