// The control's about box: a modal dialog without an owner window.
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <olectl/propertypage.h>

#include "control/QuillboxCtrl.h"

namespace {

// The control's icon: a sealed envelope with a quill across it.
QPixmap QuillboxIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 90), 1.5));
    painter.setBrush(QColor(250, 246, 230));
    painter.drawRect(QRectF(2.5, 8.5, 24, 16));
    painter.drawLine(QPointF(2.5, 8.5), QPointF(14.5, 18.5));
    painter.drawLine(QPointF(26.5, 8.5), QPointF(14.5, 18.5));
    painter.setPen(QPen(QColor(150, 30, 30), 2.5));
    painter.drawLine(QPointF(12, 28), QPointF(30, 2));
    return icon;
}

}  // namespace

void CQuillboxCtrl::AboutBox() {
    if (!olectl::WidgetsAvailable())
        return;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("About Quillbox Control"));
    dialog.setFont(olectl::DialogFont());
    auto units = [&](int x, int y) { return olectl::DialogUnitsToPixels(dialog.font(), x, y); };
    dialog.setFixedSize(units(260, 55));

    auto* icon = new QLabel(&dialog);
    icon->setPixmap(QuillboxIcon());
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
