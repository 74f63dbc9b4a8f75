// A control hosted in the Qt widget site, and the property frame, under an offscreen
// QApplication.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <offscreen_qt.h>
#include <olectl/qt_site.h>

#include "sample_factories.h"

namespace {

testing::Environment* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::OffscreenQtEnvironment);

class QtSiteTest : public testing::Test {
  protected:
    void SetUp() override {
        sample::UseSampleResources();
        sample::SampleControl::created = 0;
        sample::SampleControl::destroyed = 0;
        sample::SamplePage::applied = 0;
    }
    void TearDown() override { EXPECT_EQ(sample::SampleControl::alive, 0); }

    sample::RegisteredSampleClasses classes;
};

TEST_F(QtSiteTest, WidgetIsTheControlsWindow) {
    auto* site = new olectl::QtControlSite;
    ASSERT_EQ(site->CreateControl(sample::CLSID_SampleControl), S_OK);
    site->setGeometry(5, 5, 100, 30);
    site->show();
    EXPECT_TRUE(site->HasControlWindow());
    EXPECT_EQ(sample::SampleControl::created, 1);

    QImage image = site->grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0, 0, 255));

    auto* control =
        static_cast<sample::SampleControl*>(static_cast<olectl::CCmdTarget*>(site->Dispatch()));
    control->Resize(1, 1);
    EXPECT_EQ(site->geometry(), QRect(5, 5, 1, 1));

    delete site;
    EXPECT_EQ(sample::SampleControl::destroyed, 1);
}

TEST_F(QtSiteTest, PropertiesVerbShowsThePagesInAFrame) {
    olectl::QtControlSite site;
    ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
    QString title;
    QString tab;
    QString label;
    testsupport::WhenModalShows([&](QWidget& dialog) {
        title = dialog.windowTitle();
        if (auto* tabs = dialog.findChild<QTabWidget*>())
            tab = tabs->tabText(0);
        if (auto* text = dialog.findChild<QLabel*>())
            label = text->text();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(site.DoVerb(OLEIVERB_PROPERTIES), S_OK);
    EXPECT_EQ(title, "Sample Properties");
    EXPECT_EQ(tab, "Sample");
    EXPECT_EQ(label, "Sample page");
    EXPECT_EQ(sample::SamplePage::applied, 1);
}

}  // namespace
