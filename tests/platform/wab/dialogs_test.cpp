// The address book's own windows, driven on the offscreen platform: the details dialog stores
// what is edited on OK and nothing on Cancel; the new-contact form stores a contact and hands
// back its entry id on OK, and answers MAPI_E_USER_CANCEL on Cancel.
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include "offscreen_qt.h"
#include "wab_test_util.h"

namespace wabtest {
namespace {

void Fill(QWidget& dialog, const char* field, const QString& text) {
    auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(field));
    ASSERT_NE(edit, nullptr) << field;
    edit->setText(text);
}

void Press(QWidget& dialog, QDialogButtonBox::StandardButton which) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(which)->click();
}

class Dialogs : public BookTest {
  protected:
    HRESULT Details(const std::string& id) {
        ULONG_PTR window = 0;
        return book_.book->Details(&window, nullptr, nullptr, static_cast<ULONG>(id.size()),
                                   reinterpret_cast<LPENTRYID>(const_cast<char*>(id.data())),
                                   nullptr, nullptr, nullptr, 0);
    }
    HRESULT NewEntry(std::string* id) {
        std::string tpl = Template(PR_DEF_CREATE_MAILUSER);
        ULONG cb = 0;
        LPENTRYID created = nullptr;
        const HRESULT hr =
            book_.book->NewEntry(0, 0, 0, nullptr, static_cast<ULONG>(tpl.size()),
                                 reinterpret_cast<LPENTRYID>(tpl.data()), &cb, &created);
        if (created) {
            id->assign(reinterpret_cast<char*>(created), cb);
            book_.wab->FreeBuffer(created);
        }
        return hr;
    }
};

TEST_F(Dialogs, DetailsShowsTheContactAndOkStoresTheEdits) {
    const std::string id = AddContact("Dana", "dana@example.org");
    QString shownEmail;
    testsupport::WhenModalShows([&shownEmail](QWidget& dialog) {
        shownEmail = dialog.findChild<QLineEdit*>("PR_EMAIL_ADDRESS")->text();
        Fill(dialog, "PR_EMAIL_ADDRESS", QString());
        Fill(dialog, "PR_CELLULAR_TELEPHONE_NUMBER", QStringLiteral("+49 30 1234"));
        Fill(dialog, "PR_COMPANY_NAME", QStringLiteral("Gr\u00FCn AG"));
        Press(dialog, QDialogButtonBox::Ok);
    });
    ASSERT_EQ(Details(id), S_OK);
    EXPECT_EQ(shownEmail, QStringLiteral("dana@example.org"));
    ComPtr<IMAPIProp> entry = Open(id);
    EXPECT_EQ(Text(entry.Get(), PR_CELLULAR_TELEPHONE_NUMBER), "+49 30 1234");
    EXPECT_EQ(Text(entry.Get(), PR_COMPANY_NAME), "Gr\xFCn AG");
    EXPECT_EQ(Text(entry.Get(), PR_EMAIL_ADDRESS), "<missing>");
    EXPECT_EQ(Text(entry.Get(), PR_DISPLAY_NAME), "Dana");
}

TEST_F(Dialogs, DetailsCancelChangesNothing) {
    const std::string id = AddContact("Eve", "eve@example.org");
    testsupport::WhenModalShows([](QWidget& dialog) {
        Fill(dialog, "PR_DISPLAY_NAME", QStringLiteral("Mallory"));
        Press(dialog, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(Details(id), MAPI_E_USER_CANCEL);
    EXPECT_EQ(Text(Open(id).Get(), PR_DISPLAY_NAME), "Eve");
}

TEST_F(Dialogs, NewEntryStoresTheContactAndHandsBackItsId) {
    testsupport::WhenModalShows([](QWidget& dialog) {
        Fill(dialog, "PR_DISPLAY_NAME", QStringLiteral("Frank"));
        Fill(dialog, "PR_EMAIL_ADDRESS", QStringLiteral("frank@example.org"));
        Fill(dialog, "PR_BUSINESS_FAX_NUMBER", QStringLiteral("+1 999"));
        Press(dialog, QDialogButtonBox::Ok);
    });
    std::string id;
    ASSERT_EQ(NewEntry(&id), S_OK);
    ASSERT_FALSE(id.empty());
    ComPtr<IMAPIProp> entry = Open(id);
    EXPECT_EQ(Text(entry.Get(), PR_DISPLAY_NAME), "Frank");
    EXPECT_EQ(Text(entry.Get(), PR_BUSINESS_FAX_NUMBER), "+1 999");
    ASSERT_EQ(Rows().size(), 1u);
}

TEST_F(Dialogs, NewEntryCancelledStoresNothing) {
    testsupport::WhenModalShows([](QWidget& dialog) {
        Fill(dialog, "PR_DISPLAY_NAME", QStringLiteral("Ghost"));
        Press(dialog, QDialogButtonBox::Cancel);
    });
    std::string id;
    EXPECT_EQ(NewEntry(&id), MAPI_E_USER_CANCEL);
    EXPECT_TRUE(id.empty());
    EXPECT_TRUE(Rows().empty());
}

}  // namespace
}  // namespace wabtest

// The widget tests run in a QApplication on the offscreen platform.
static testing::Environment* const qt_environment =
    testing::AddGlobalTestEnvironment(new testsupport::OffscreenQtEnvironment);
