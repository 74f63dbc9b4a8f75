#include "control/QuillboxPropPage.h"

#include <QLabel>

#include "control/Quillbox.h"

namespace {

// The page's dialog template, in dialog units.
constexpr int kPageWidth = 250;
constexpr int kPageHeight = 62;

}  // namespace

CQuillboxPropPage::CQuillboxPropPage()
    : COlePropertyPage(IDS_QUILLBOX_PPG_CAPTION, kPageWidth, kPageHeight) {}

void CQuillboxPropPage::BuildPage(QWidget& page) {
    auto* text = new QLabel(
        QStringLiteral(
            "TODO: Place controls to manipulate properties of Quillbox Control on this dialog."),
        &page);
    text->setWordWrap(true);
    QSize margin = olectl::DialogUnitsToPixels(page.font(), 7, 7);
    QSize size = olectl::DialogUnitsToPixels(page.font(), kPageWidth - 14, 20);
    text->setGeometry(margin.width(), margin.height() * 3, size.width(), size.height());
}
