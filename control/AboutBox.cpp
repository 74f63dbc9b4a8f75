// The control's about box: a modal dialog without an owner window.
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <olectl/module.h>
#include <olectl/propertypage.h>

#include "control/Quillbox.h"
#include "control/QuillboxCtrl.h"

void CQuillboxCtrl::AboutBox() {
    if (!olectl::WidgetsAvailable())
        return;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("About Quillbox Control"));
    dialog.setFont(olectl::DialogFont());
    auto units = [&](int x, int y) { return olectl::DialogUnitsToPixels(dialog.font(), x, y); };
    dialog.setFixedSize(units(260, 55));

    auto* icon = new QLabel(&dialog);
    icon->setPixmap(QPixmap(olectl::AfxLoadIcon(IDI_QUILLBOX)));
    icon->move(units(10, 10).width(), units(10, 10).height());
    auto* version = new QLabel(QStringLiteral("Quillbox Control, Version 1.0"), &dialog);
    version->setGeometry(
        QRect(QPoint(units(40, 10).width(), units(40, 10).height()), units(170, 8)));
    auto* about = new QLabel(
        QStringLiteral("Automation for the Outlook Express mail store and the address book"),
        &dialog);
    about->setGeometry(
        QRect(QPoint(units(40, 25).width(), units(40, 25).height()), units(170, 16)));
    about->setWordWrap(true);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    ok->setGeometry(QRect(QPoint(units(221, 7).width(), units(221, 7).height()), units(32, 14)));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.exec();
}
