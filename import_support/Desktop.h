// The desktop services the program's logic uses: message boxes, yielding to the message loop,
// the folder chooser and the progress caption. The main window implements them with Qt
// (QtDesktop); tests answer and record them.
#pragma once

#include <QString>

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
};
