// The window itself: its controls and their initial state, creation and loading, help and the
// way the program ends.
#include "import_app/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QIcon>
#include <QPixmap>

#include <olectl/qt_site.h>
#include <winpal/commctrl.h>

#include "import_app/Twips.h"
#include "import_support/QtDesktop.h"
#include "import_support/RuntimeError.h"
#include "install_layout.h"

namespace {

QFont CaptionFont() {
    QFont font = QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                     ? QFont(QStringLiteral("Tahoma"))
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(8.25);
    return font;
}

template <class Widget>
Widget* Place(Widget* widget, const char* name, QRect twipsRect) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(twipsRect);
    return widget;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect rect) {
    return Place(new QPushButton(QString::fromUtf8(caption), parent), name, rect);
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, QRect rect) {
    return Place(new QLabel(QString::fromUtf8(caption), parent), name, rect);
}

QLabel* Picture(QWidget* parent, const char* name, const char* resource, QRect rect) {
    QLabel* picture = Place(new QLabel(parent), name, rect);
    picture->setPixmap(QPixmap(QString::fromLatin1(resource)));
    return picture;
}

QFrame* Band(QWidget* parent, const char* name, QRect rect) {
    QFrame* band = Place(new QFrame(parent), name, rect);
    band->setFrameShape(QFrame::Box);
    band->setAutoFillBackground(true);
    band->setBackgroundRole(QPalette::Base);
    return band;
}

}  // namespace

frmMain::frmMain(Desktop* desktop, QWidget* parent) : QWidget(parent) {
    Form_Initialize();
    CreateControls();
    if (!desktop) {
        ownDesktop_ = std::make_unique<QtDesktop>(this, LblProgress);
        desktop = ownDesktop_.get();
    }
    desktop_ = desktop;
    cdlgFile = std::make_unique<CommonDialog>(*desktop_);
    ConnectHandlers();
    Form_Load();
    CreateHostedControl();
}

frmMain::~frmMain() = default;

void frmMain::Form_Initialize() {
    InitCommonControls();
}

void frmMain::CreateControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Ferrydeck v1.0"));
    setWindowIcon(QIcon(QStringLiteral(":/images/ferrydeck.svg")));
    setFont(CaptionFont());
    setFixedSize(TwipsToPixels(8220), TwipsToPixels(6855));

    Shape2 = Band(this, "Shape2", TwipsRect(0, 0, 8415, 1455));
    Image2 = Picture(this, "Image2", ":/images/banner.svg", TwipsRect(120, 120, 5715, 1335));
    cmdAdd = Button(this, "cmdAdd", "Add &DBX File(s)...", TwipsRect(240, 1560, 1815, 375));
    CmdAddFolder = Button(this, "CmdAddFolder", "Add F&older having DBX File(s)...",
                          TwipsRect(2400, 1560, 2775, 375));
    cmdClear1 = Button(this, "cmdClear1", "Clea&r File(s)...", TwipsRect(6240, 1560, 1695, 375));
    lblCount1 = Label(this, "lblCount1", "0 files", TwipsRect(270, 2160, 4335, 255));
    grdFiles1 = Place(new FlexGrid(this), "grdFiles1", TwipsRect(240, 2400, 7695, 1575));
    Image1 = Picture(this, "Image1", ":/images/mailbox.svg", TwipsRect(240, 4080, 240, 240));
    Label4 = Label(this, "Label4", "Importing DBX Files...", TwipsRect(600, 4080, 2535, 255));
    LblFileProgress = Label(this, "LblFileProgress", "", TwipsRect(2280, 4080, 5655, 255));
    Image3 = Picture(this, "Image3", ":/images/arrow.svg", TwipsRect(600, 4440, 240, 240));
    LblProgessCurrent =
        Label(this, "LblProgessCurrent", "Imported 0 (of 0)", TwipsRect(840, 4440, 7095, 255));
    LblProgress = Label(this, "LblProgress", "", TwipsRect(840, 4700, 7095, 255));
    ProgressBar1 = Place(new ProgressBar(this), "ProgressBar1", TwipsRect(240, 5160, 7695, 255));
    ProgressBar1->setTextVisible(false);
    CmdConvert2PDF = Button(this, "CmdConvert2PDF", "&Import into Outlook Express",
                            TwipsRect(2760, 5520, 2655, 435));
    CmdConvert2PDF->setEnabled(false);
    Shape1 = Band(this, "Shape1", TwipsRect(0, 6120, 8775, 855));
    Picture3 = Place(new QWidget(this), "Picture3", TwipsRect(240, 6240, 7695, 495));
    CmdHelp = Button(Picture3, "CmdHelp", "&Help Manual", TwipsRect(0, 0, 1695, 375));
    cmdEnd = Button(Picture3, "cmdEnd", "E&xit", TwipsRect(6360, 0, 1335, 375));
    OE = Place(new olectl::QtControlSite(this), "OE", TwipsRect(4320, 2040, 3615, 255));
}

void frmMain::ConnectHandlers() {
    auto on = [this](QPushButton* button, void (frmMain::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    on(cmdAdd, &frmMain::cmdAdd_Click);
    on(CmdAddFolder, &frmMain::CmdAddFolder_Click);
    on(cmdClear1, &frmMain::cmdClear1_Click);
    on(CmdConvert2PDF, &frmMain::CmdConvert2PDF_Click);
    on(CmdHelp, &frmMain::CmdHelp_Click);
    on(cmdEnd, &frmMain::cmdEnd_Click);
}

void frmMain::Form_Load() {
    strNewFolderNames = QStringList{QString()};
    grdFiles1->SetColWidth(0, 50000);
}

void frmMain::CreateHostedControl() {
    controlResult_ = OE->CreateControl(kControlProgId);
    if (FAILED(controlResult_))
        ShowControlMissing();
}

void frmMain::CreateControlWindow() {
    if (OE->Dispatch() && !OE->HasControlWindow())
        OE->CreateControlWindow();
}

IDispatch* frmMain::OEDispatch() const {
    return OE->Dispatch();
}

void frmMain::ShowControlMissing() {
    desktop_->MsgBox(QStringLiteral("The Quillbox control is not registered (0x%1): register it "
                                    "with \"regsvr libquillbox.so\", then start Ferrydeck again.")
                         .arg(static_cast<quint32>(controlResult_), 8, 16, QChar(u'0')),
                     vb::vbExclamation, kTitle);
}

void frmMain::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const vb::RuntimeError& error) {
        desktop_->MsgBox(QStringLiteral("%1:%2").arg(error.Number()).arg(error.Description()),
                         vb::vbExclamation, kTitle);
    }
}

void frmMain::CmdHelp_Click() {
    // The compiled manual where this system builds one; the same manual as HTML otherwise. The
    // build keeps it beside the program, an installation in its documentation folder.
    const QString programs = QCoreApplication::applicationDirPath();
    const QString installed =
        QDir::cleanPath(programs + u'/' + QLatin1String(install_layout::kManualFromPrograms));
    QString manual;
    for (const QString& folder : {programs, installed}) {
        for (const char* name : {"/Help-Manual.chm", "/Help-Manual.html"}) {
            if (manual.isEmpty() && QFileInfo::exists(folder + QLatin1String(name)))
                manual = folder + QLatin1String(name);
        }
    }
    desktop_->OpenDocument(manual.isEmpty() ? programs + QStringLiteral("/Help-Manual.html")
                                            : manual);
}

void frmMain::cmdEnd_Click() {
    // The same question as closing the window; on "No" the window simply stays.
    bool cancel = false;
    Form_QueryUnload(cancel);
}

void frmMain::Form_QueryUnload(bool& cancel) {
    if (desktop_->MsgBox(QStringLiteral("Are you sure you want to exit now?"),
                         vb::vbYesNo + vb::vbQuestion, kTitle) == vb::vbYes) {
        desktop_->EndProgram();
    } else {
        cancel = true;
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel) {
        event->ignore();
    } else {
        event->accept();
    }
}
