// The desktop services the program's logic uses: message boxes, yielding to the message loop,
// the file and folder choosers, the progress caption, the busy pointer, opening documents and
// ending the program. The main window implements them with Qt
// (QtDesktop); tests answer and record them.
#pragma once

#include <QString>
#include <QStringList>

namespace vb {

// Buttons and icons of a message box, combined by addition as in BASIC's MsgBox.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbYesNo = 4;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;

// What the user pressed.
constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

}  // namespace vb

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Shows a modal message box with `buttons` (vbOKOnly + icon, ...) and returns the answer.
    virtual int MsgBox(const QString& prompt, int buttons, const QString& title) = 0;
    // Lets the message loop process all pending events once.
    virtual void DoEvents() = 0;
    // The folder chooser, owned by the main window; empty text when cancelled.
    virtual QString BrowseForFolder(const QString& title) = 0;
    // The caption of the main window's byte-progress label.
    virtual void SetProgressCaption(const QString& caption) = 0;
    // The open-file dialog with multiple selection: the full paths of the chosen files in the
    // order the dialog lists them; empty when cancelled. `filter` has the form
    // "Description (*.ext)|*.ext".
    virtual QStringList ChooseFilesToOpen(const QString& filter) = 0;
    // The hourglass mouse pointer while `busy`, the default pointer otherwise.
    virtual void SetBusy(bool busy) = 0;
    // Opens a document with the desktop's handler for its type.
    virtual void OpenDocument(const QString& path) = 0;
    // Ends the program at once: no further window events run.
    virtual void EndProgram() = 0;
};
