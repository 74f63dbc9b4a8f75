#include "import_support/QtDesktop.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

namespace {

QMessageBox::Icon IconOf(int buttons) {
    switch (buttons & 0x70) {
        case vb::vbCritical:
            return QMessageBox::Critical;
        case vb::vbQuestion:
            return QMessageBox::Question;
        case vb::vbExclamation:
            return QMessageBox::Warning;
        case vb::vbInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(int buttons) {
    switch (buttons & 0x7) {
        case vb::vbOKCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case vb::vbYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
}

int AnswerOf(int pressed) {
    switch (pressed) {
        case QMessageBox::Yes:
            return vb::vbYes;
        case QMessageBox::No:
            return vb::vbNo;
        case QMessageBox::Cancel:
            return vb::vbCancel;
        default:
            return vb::vbOK;
    }
}

}  // namespace

int QtDesktop::MsgBox(const QString& prompt, int buttons, const QString& title) {
    QMessageBox box(IconOf(buttons), title, prompt, ButtonsOf(buttons), owner_);
    return AnswerOf(box.exec());
}

void QtDesktop::DoEvents() {
    QCoreApplication::processEvents();
}

QString QtDesktop::BrowseForFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(owner_, title);
}

void QtDesktop::SetProgressCaption(const QString& caption) {
    if (progressLabel_)
        progressLabel_->setText(caption);
}
