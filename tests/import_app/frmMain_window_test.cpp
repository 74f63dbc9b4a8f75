// The window: its controls and their initial state, help and the exit question.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QXmlStreamReader>

#include "RecordingDesktop.h"
#include "import_app/frmMain.h"
#include "temp_prefix.h"

#include <olectl/qt_site.h>

namespace {

class MainWindow : public testing::Test {
  protected:
    testsupport::TempPrefix prefix;
    RecordingDesktop desktop;
    frmMain form{&desktop};
};

TEST_F(MainWindow, ControlsHaveTheirNamesCaptionsAndPlaces) {
    EXPECT_EQ(form.windowTitle(), "Ferrydeck v1.0");
    EXPECT_EQ(form.size(), QSize(548, 457));  // 8220 x 6855 twips
    struct Expected {
        QWidget* widget;
        const char* name;
        QRect pixels;
    };
    const Expected controls[] = {
        {form.cmdAdd, "cmdAdd", {16, 104, 121, 25}},
        {form.CmdAddFolder, "CmdAddFolder", {160, 104, 185, 25}},
        {form.cmdClear1, "cmdClear1", {416, 104, 113, 25}},
        {form.lblCount1, "lblCount1", {18, 144, 289, 17}},
        {form.grdFiles1, "grdFiles1", {16, 160, 513, 105}},
        {form.LblFileProgress, "LblFileProgress", {152, 272, 377, 17}},
        {form.LblProgessCurrent, "LblProgessCurrent", {56, 296, 473, 17}},
        {form.LblProgress, "LblProgress", {56, 313, 473, 17}},
        {form.ProgressBar1, "ProgressBar1", {16, 344, 513, 17}},
        {form.CmdConvert2PDF, "CmdConvert2PDF", {184, 368, 177, 29}},
        {form.CmdHelp, "CmdHelp", {0, 0, 113, 25}},
        {form.cmdEnd, "cmdEnd", {424, 0, 89, 25}},
    };
    for (const Expected& c : controls) {
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(c.widget->geometry(), c.pixels) << c.name;
    }
    EXPECT_EQ(form.cmdAdd->text(), "Add &DBX File(s)...");
    EXPECT_EQ(form.CmdAddFolder->text(), "Add F&older having DBX File(s)...");
    EXPECT_EQ(form.cmdClear1->text(), "Clea&r File(s)...");
    EXPECT_EQ(form.CmdConvert2PDF->text(), "&Import into Outlook Express");
    EXPECT_EQ(form.CmdHelp->text(), "&Help Manual");
    EXPECT_EQ(form.cmdEnd->text(), "E&xit");
    EXPECT_EQ(form.Label4->text(), "Importing DBX Files...");
    EXPECT_EQ(form.LblProgessCurrent->text(), "Imported 0 (of 0)");
    EXPECT_EQ(form.lblCount1->text(), "0 files");
    EXPECT_FALSE(form.CmdConvert2PDF->isEnabled());
    EXPECT_EQ(form.CmdHelp->parentWidget(), form.Picture3);
    EXPECT_EQ(form.OE->objectName(), "OE");
    EXPECT_FALSE(form.Image2->pixmap().isNull()) << "the banner is compiled in";
    EXPECT_EQ(form.Image2->pixmap().size(), QSize(381, 89));
}

// The progress bar keeps the single-precision values it is given and shows them rounded, within
// its range.
TEST_F(MainWindow, ProgressBarKeepsItsValueAndShowsItRounded) {
    struct Case {
        float min, max, value;
        int shownMin, shownMax, shown;
    } cases[] = {
        {0, 100, 33.333332f, 0, 100, 33}, {0, 100, 66.66667f, 0, 100, 67},
        {0, 100, 99.5f, 0, 100, 100},     {0, 100, 100, 0, 100, 100},
        {0, 100, 250, 0, 100, 100},       {0, 100, -4, 0, 100, 0},
        {0.4f, 9.6f, 4.5f, 0, 10, 5},
    };
    ProgressBar* bar = form.ProgressBar1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        bar->SetMin(c.min);
        bar->SetMax(c.max);
        bar->SetValue(c.value);
        EXPECT_EQ(bar->Min(), c.min);
        EXPECT_EQ(bar->Max(), c.max);
        EXPECT_EQ(bar->Value(), c.value);
        EXPECT_EQ(bar->minimum(), c.shownMin);
        EXPECT_EQ(bar->maximum(), c.shownMax);
        EXPECT_EQ(bar->value(), c.shown);
    }
}

TEST_F(MainWindow, GridStartsAsOneEmptyCellWiderThanItself) {
    EXPECT_EQ(form.grdFiles1->Rows(), 1);
    EXPECT_EQ(form.grdFiles1->Cols(), 1);
    EXPECT_EQ(form.grdFiles1->FixedRows(), 0);
    EXPECT_EQ(form.grdFiles1->columnWidth(0), 3333);  // 50000 twips
    EXPECT_EQ(form.strNewFolderNames, QStringList{""});
}

TEST_F(MainWindow, MissingControlIsExplainedAndImportSaysTheSame) {
    ASSERT_EQ(form.OEDispatch(), nullptr);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].prompt.contains("regsvr libquillbox.so"));
    EXPECT_EQ(desktop.messages[0].title, "Ferrydeck");
    form.AddFileToList("/mail/Inbox.dbx");
    form.CmdConvert2PDF_Click();
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].prompt, desktop.messages[0].prompt);
}

TEST_F(MainWindow, ExitAsksAndEndsOnlyOnYes) {
    desktop.answers = {vb::vbNo};
    form.cmdEnd->click();
    EXPECT_EQ(desktop.endRequests, 0);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages.back().prompt, "Are you sure you want to exit now?");
    EXPECT_EQ(desktop.messages.back().buttons, vb::vbYesNo + vb::vbQuestion);
    desktop.answers = {vb::vbYes};
    form.cmdEnd->click();
    EXPECT_EQ(desktop.endRequests, 1);
    EXPECT_EQ(desktop.messages.size(), 3u) << "Yes ends without a second question";
}

TEST_F(MainWindow, ClosingTheWindowAsksAndNoKeepsItOpen) {
    form.show();
    form.AddFileToList("/mail/Inbox.dbx");
    desktop.answers = {vb::vbNo};
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.grdFiles1->Rows(), 1);
    EXPECT_EQ(desktop.endRequests, 0);
    desktop.answers = {vb::vbYes};
    QCloseEvent event;
    QCoreApplication::sendEvent(&form, &event);
    EXPECT_EQ(desktop.endRequests, 1);
}

TEST_F(MainWindow, HelpOpensTheManualBesideTheProgram) {
    form.CmdHelp->click();
    ASSERT_EQ(desktop.openedDocuments.size(), 1);
    QString manual = desktop.openedDocuments[0];
    EXPECT_TRUE(manual.startsWith(QCoreApplication::applicationDirPath() + "/Help-Manual."));
    EXPECT_TRUE(QFile::exists(manual)) << manual.toStdString();
}

TEST(Manifest, IsTheCommonControlsSixManifestInEnglish) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QFile manifest(":/RT_MANIFEST/1");
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    QByteArray content = manifest.readAll();
    EXPECT_TRUE(
        content.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    QXmlStreamReader xml(content);
    QStringList identities;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"assembly") {
            EXPECT_EQ(xml.namespaceUri(), u"urn:schemas-microsoft-com:asm.v1");
            EXPECT_EQ(xml.attributes().value("manifestVersion"), u"1.0");
        }
        if (xml.name() == u"assemblyIdentity") {
            QXmlStreamAttributes a = xml.attributes();
            identities << QStringList{a.value("type").toString(),
                                      a.value("name").toString(),
                                      a.value("version").toString(),
                                      a.value("processorArchitecture").toString(),
                                      a.value("publicKeyToken").toString(),
                                      a.value("language").toString()}
                              .join('|');
        }
    }
    EXPECT_FALSE(xml.hasError());
    EXPECT_EQ(
        identities,
        QStringList({"win32|XPStyle Control Demo|1.0.0.0|x86||",
                     "win32|Microsoft.Windows.Common-Controls|6.0.0.0|x86|6595b64144ccf1df|*"}));
    QLocale::setDefault(QLocale::c());
    EXPECT_FALSE(QFile::exists(":/RT_MANIFEST/1")) << "only the English resource exists";
}

}  // namespace
