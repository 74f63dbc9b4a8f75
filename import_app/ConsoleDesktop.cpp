#include "import_app/ConsoleDesktop.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

int ConsoleDesktop::MsgBox(const QString& prompt, int buttons, const QString& title) {
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
    return (buttons & 0x7) == vb::vbYesNo ? vb::vbNo : vb::vbOK;
}

void ConsoleDesktop::DoEvents() {
    QCoreApplication::processEvents();
}

void ConsoleDesktop::OpenDocument(const QString& path) {
    std::fprintf(stderr, "See %s\n", path.toLocal8Bit().constData());
}

void ConsoleDesktop::EndProgram() {
    std::fflush(nullptr);
    std::_Exit(0);
}
