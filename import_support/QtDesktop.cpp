#include "import_support/QtDesktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

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

// "Description (*.dbx)|*.dbx|..." as a Qt name filter. Qt matches patterns with letter case on
// this platform, so each pattern is offered in lower and upper case as well.
QString QtNameFilter(const QString& filter) {
    QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        qsizetype open = description.indexOf(u'(');
        if (open >= 0)
            description = description.left(open).trimmed();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';')) {
            patterns << pattern << pattern.toLower() << pattern.toUpper();
        }
        patterns.removeDuplicates();
        filters << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
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

QStringList QtDesktop::ChooseFilesToOpen(const QString& filter) {
    return QFileDialog::getOpenFileNames(owner_, QString(), QString(), QtNameFilter(filter));
}

void QtDesktop::SetBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtDesktop::OpenDocument(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtDesktop::EndProgram() {
    std::fflush(nullptr);
    std::_Exit(0);
}
