// The control's dialogs and its drawing on a Qt widget site, under an offscreen QApplication.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <dispatch_calls.h>
#include <offscreen_qt.h>
#include <olectl/factory.h>
#include <olectl/qt_site.h>
#include <temp_prefix.h>
#include <winpal/kernel.h>

#include "ScriptedStore.h"
#include "control/QuillboxIds.h"

namespace testsupport {
namespace {

testing::Environment* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::OffscreenQtEnvironment);

QStringList LabelTexts(QWidget& dialog) {
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

class QuillboxWidgetsTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const CLSID& clsid : {CLSID_Quillbox, CLSID_QuillboxPropPage}) {
            IUnknown* factory = nullptr;
            olectl::AfxDllGetClassObject(clsid, IID_IUnknown, reinterpret_cast<void**>(&factory));
            DWORD cookie = 0;
            CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                  &cookie);
            cookies_.push_back(cookie);
            factory->Release();
        }
        store.AddFolder(0, 1, "Inbox");
        // The site sits on a form, as the control does on a host's window.
        form = std::make_unique<QWidget>();
        form->resize(400, 300);
        site = new olectl::QtControlSite(form.get());
        ASSERT_EQ(site->CreateControl(CLSID_Quillbox), S_OK);
        site->setGeometry(0, 0, 241, 17);
    }
    void TearDown() override {
        form.reset();
        for (DWORD cookie : cookies_)
            CoRevokeClassObject(cookie);
        EXPECT_EQ(store.liveObjects, 0);
        EXPECT_EQ(olectl::AfxLiveObjectCount(), 0);
    }

    ScriptedStore store;
    std::unique_ptr<QWidget> form;
    olectl::QtControlSite* site = nullptr;  // owned by the form

  private:
    std::vector<DWORD> cookies_;
};

TEST_F(QuillboxWidgetsTest, ShowingTheSiteOpensTheStore) {
    form->show();
    EXPECT_TRUE(site->HasControlWindow());
    auto folders = ObjectOf(CallByName(site->Dispatch(), u"Folders"));
    EXPECT_EQ(NumberOf(CallByName(folders.Get(), u"Count")), 1);
}

TEST_F(QuillboxWidgetsTest, DesignModeShowsTheNameInRedOnBlack) {
    site->SetUserMode(false);
    form->show();
    QImage image = site->grab().toImage();
    EXPECT_EQ(image.size(), QSize(241, 17));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(0, 0, 0));
    int red = 0;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            QColor pixel = image.pixelColor(x, y);
            if (pixel.red() > 128 && pixel.green() < 64 && pixel.blue() < 64)
                ++red;
        }
    }
    EXPECT_GT(red, 20);
    // The text is centred: no red at the far ends.
    for (int y = 0; y < image.height(); ++y) {
        EXPECT_EQ(image.pixelColor(2, y), QColor(0, 0, 0));
        EXPECT_EQ(image.pixelColor(238, y), QColor(0, 0, 0));
    }
}

TEST_F(QuillboxWidgetsTest, RunModeWindowShrinksToOnePixelOnItsFirstPaint) {
    site->move(30, 40);
    form->show();
    site->grab();
    EXPECT_EQ(site->geometry(), QRect(30, 40, 1, 1));
}

TEST_F(QuillboxWidgetsTest, AboutBoxShowsTheControlsNameAndVersion) {
    QString title;
    QStringList texts;
    WhenModalShows([&](QWidget& dialog) {
        title = dialog.windowTitle();
        texts = LabelTexts(dialog);
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == "OK")
                button->click();
        }
    });
    EXPECT_EQ(winpal::DispatchCall(site->Dispatch(), DISPID_ABOUTBOX, DISPATCH_METHOD, {}), S_OK);
    EXPECT_EQ(title, "About Quillbox Control");
    EXPECT_TRUE(texts.contains("Quillbox Control, Version 1.0"));
}

TEST_F(QuillboxWidgetsTest, PropertiesVerbShowsTheGeneralPage) {
    QString tab;
    QStringList texts;
    WhenModalShows([&](QWidget& dialog) {
        tab = dialog.findChild<QTabWidget*>()->tabText(0);
        texts = LabelTexts(dialog);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_EQ(site->DoVerb(OLEIVERB_PROPERTIES), S_OK);
    EXPECT_EQ(tab, "General");
    EXPECT_TRUE(texts.contains(
        "TODO: Place controls to manipulate properties of Quillbox Control on this dialog."));
}

// The address book's own windows, opened through the contacts collection of a control on a form.
class ContactWindowsTest : public QuillboxWidgetsTest {
  protected:
    void SetUp() override {
        wab_ = LoadLibraryA(WAB_LIBRARY);
        auto registerServer = reinterpret_cast<HRESULT (*)()>(
            reinterpret_cast<void*>(GetProcAddress(wab_, "DllRegisterServer")));
        ASSERT_EQ(registerServer(), S_OK);
        QuillboxWidgetsTest::SetUp();
        form->show();
        contacts = ObjectOf(CallByName(site->Dispatch(), u"Contacts"));
    }
    void TearDown() override {
        contacts.Reset();
        QuillboxWidgetsTest::TearDown();
        FreeLibrary(wab_);
    }
    // The text of a field of the modal dialog, by the property it shows.
    static QString FieldText(QWidget& dialog, const char* property) {
        auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(property));
        return edit ? edit->text() : QString();
    }
    static void Press(QWidget& dialog, QDialogButtonBox::StandardButton which) {
        dialog.findChild<QDialogButtonBox*>()->button(which)->click();
    }

    TempPrefix prefix;
    HMODULE wab_ = nullptr;
    winpal::ComPtr<IDispatch> contacts;
};

TEST_F(ContactWindowsTest, NewContactFormStoresAndDetailsShowTheContact) {
    WhenModalShows([](QWidget& dialog) {
        dialog.findChild<QLineEdit*>("PR_DISPLAY_NAME")->setText("Dana");
        dialog.findChild<QLineEdit*>("PR_EMAIL_ADDRESS")->setText("dana@example.org");
        Press(dialog, QDialogButtonBox::Ok);
    });
    CallByName(contacts.Get(), u"NewContactFromUI");
    WhenModalShows([](QWidget& dialog) { Press(dialog, QDialogButtonBox::Cancel); });
    CallByName(contacts.Get(), u"NewContactFromUI");
    CallByName(contacts.Get(), u"Refresh");
    ASSERT_EQ(NumberOf(CallByName(contacts.Get(), u"Count")), 1);
    EXPECT_EQ(TextOf(CallByName(contacts.Get(), u"FindEmail", {winpal::Variant::I4(0)})),
              "dana@example.org");

    QString shown;
    WhenModalShows([&shown](QWidget& dialog) {
        shown = FieldText(dialog, "PR_DISPLAY_NAME");
        Press(dialog, QDialogButtonBox::Cancel);
    });
    CallByName(contacts.Get(), u"ShowProperties", {winpal::Variant::I4(0)});
    EXPECT_EQ(shown, "Dana");

    // A position past the list shows nothing, though a contact was shown just before.
    bool shownAgain = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&shownAgain] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shownAgain = true;
            Press(*dialog, QDialogButtonBox::Cancel);
        }
    });
    probe.start(5);
    CallByName(contacts.Get(), u"ShowProperties", {winpal::Variant::I4(1)});
    QApplication::processEvents();
    EXPECT_FALSE(shownAgain);
}

}  // namespace
}  // namespace testsupport
