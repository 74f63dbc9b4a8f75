// The contacts collection over the real address-book library, registered in a fresh prefix: the
// contents read through the control, creating and deleting contacts, the lookups, and the names
// of property tags.
#include <gtest/gtest.h>

#include <temp_prefix.h>
#include <wab/wabapi.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>

#include "QuillboxFixture.h"
#include "contacts/PropertyTagName.h"

namespace testsupport {
namespace {

using winpal::Variant;

TEST(PropertyTagNameTest, NamesByIdentifierWhateverTheType) {
    const std::pair<ULONG, const char*> cases[] = {
        {PR_EMAIL_ADDRESS_A, "PR_EMAIL_ADDRESS"},
        {CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS_A, PT_UNICODE), "PR_EMAIL_ADDRESS"},
        {PR_OBJECT_TYPE, "PR_OBJECT_TYPE"},
        {PR_ENTRYID, "PR_ENTRYID"},
        {PROP_TAG(PT_BINARY, 0x300B), "PR_SEARCH_KEY"},
        {PROP_TAG(PT_STRING8, 0x39FF), "PR_7BIT_DISPLAY_NAME"},
        {PROP_TAG(PT_STRING8, 0x3A00), "PR_ACCOUNT"},
        {PR_BUSINESS_FAX_NUMBER_A, "PR_BUSINESS_FAX_NUMBER"},
        {PROP_TAG(PT_STRING8, 0x3A30), "PR_ASSISTANT"},
        {PROP_TAG(PT_BOOLEAN, 0x3A40), "PR_SEND_RICH_INFO"},
        {PR_BUSINESS_HOME_PAGE_A, "PR_BUSINESS_HOME_PAGE"},
        {PROP_TAG(PT_STRING8, 0x3A64), "PR_OTHER_ADDRESS_POST_OFFICE_BOX"},
        {PROP_TAG(PT_BINARY, 0x3A70), "PR_USER_X509_CERTIFICATE"},
        {PROP_TAG(PT_BOOLEAN, 0x3A71), "PR_SEND_INTERNET_ENCODING"},
        {PROP_TAG(PT_STRING8, 0x3A31), "Unknown property tag 0x3a31"},
        {PROP_TAG(PT_STRING8, 0x3A65), "Unknown property tag 0x3a65"},
        {PROP_TAG(PT_LONG, 0x3005), "Unknown property tag 0x3005"},
        {PROP_TAG(PT_LONG, 0x0001), "Unknown property tag 0x1"},
    };
    for (const auto& [tag, name] : cases)
        EXPECT_EQ(PropertyTagName(tag), name) << std::hex << tag;
}

// The fourteen texts of NewContact, in its parameter order.
std::vector<Variant> NewContactArguments(const std::vector<std::string>& texts) {
    std::vector<Variant> args;
    for (const std::string& text : texts)
        args.push_back(Variant::Utf8(text));
    args.resize(14, Variant::Utf8(""));
    return args;
}

class ContactsTest : public QuillboxFixture {
  protected:
    void SetUp() override {
        QuillboxFixture::SetUp();
        wab_ = LoadLibraryA(WAB_LIBRARY);
        ASSERT_NE(wab_, nullptr);
        auto registerServer = reinterpret_cast<HRESULT (*)()>(
            reinterpret_cast<void*>(GetProcAddress(wab_, "DllRegisterServer")));
        ASSERT_EQ(registerServer(), S_OK);
        AddSampleTree();
    }
    void TearDown() override {
        contacts.Reset();
        QuillboxFixture::TearDown();
        FreeLibrary(wab_);
    }

    void OpenControl() {
        Open(true);
        contacts = ObjectOf(CallByName(Control(), u"Contacts"));
    }
    Variant Call(const std::u16string& name, const std::vector<Variant>& args = {}) {
        return CallByName(contacts.Get(), name, args);
    }
    LONG Count() { return NumberOf(Call(u"Count")); }
    std::string Field(const char16_t* finder, LONG position) {
        return TextOf(Call(finder, {Variant::I4(position)}));
    }

    // Adds an entry to the user's address book directly, as another program would.
    void AddEntry(ULONG templateTag, const char* name) {
        auto open =
            reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(wab_, "WABOpen")));
        winpal::ComPtr<IAddrBook> book;
        winpal::ComPtr<IWABObject> wab;
        WAB_PARAM param{};
        param.cbSize = sizeof param;
        param.szFileName = const_cast<LPSTR>("");
        ASSERT_EQ(open(book.Put(), wab.Put(), &param, 0), S_OK);
        ULONG size = 0;
        LPENTRYID pabId = nullptr;
        ASSERT_EQ(book->GetPAB(&size, &pabId), S_OK);
        winpal::ComPtr<IABContainer> pab;
        ULONG type = 0;
        book->OpenEntry(size, pabId, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(pab.Put()));
        wab->FreeBuffer(pabId);
        SizedSPropTagArray(1, tags) = {1, {templateTag}};
        ULONG count = 0;
        LPSPropValue values = nullptr;
        ASSERT_EQ(pab->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values),
                  S_OK);
        winpal::ComPtr<IMAPIProp> entry;
        ASSERT_EQ(
            pab->CreateEntry(values[0].Value.bin.cb,
                             reinterpret_cast<LPENTRYID>(values[0].Value.bin.lpb), 0, entry.Put()),
            S_OK);
        wab->FreeBuffer(values);
        SPropValue value{};
        value.ulPropTag = PR_DISPLAY_NAME_A;
        value.Value.lpszA = const_cast<LPSTR>(name);
        entry->SetProps(1, &value, nullptr);
        ASSERT_EQ(entry->SaveChanges(0), S_OK);
    }

    // A prefix of the test's own, so that each test starts with an empty address book.
    TempPrefix prefix;
    winpal::ComPtr<IDispatch> contacts;
    HMODULE wab_ = nullptr;
};

TEST_F(ContactsTest, ListsTheMailUsersButNotTheDistributionLists) {
    AddEntry(PR_DEF_CREATE_MAILUSER, "Ann");
    AddEntry(PR_DEF_CREATE_DL, "Friends");
    AddEntry(PR_DEF_CREATE_MAILUSER, "Bob");
    OpenControl();
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Call(u"Count").Type(), VT_I4);
    std::vector<std::string> names;
    for (LONG i = 0; i < Count(); ++i)
        names.push_back(Field(u"FindName", i));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Bob"}));
}

TEST_F(ContactsTest, NewContactIsListedWithEveryFieldAfterRefresh) {
    OpenControl();
    EXPECT_TRUE(BooleanOf(Call(
        u"NewContact",
        NewContactArguments({"Zo\xC3\xAB \xC3\x9Cnal", "zoe@example.org", "030 1", "030 2",
                             "http://work.example.org", "030 3", "030 4", "0170 5", "0171 6",
                             "http://home.example.org", "Editor", "Books", "Room 7", "Verlag"}))));
    EXPECT_TRUE(BooleanOf(Call(u"NewContact", NewContactArguments({"Fax Only", "", "", "0301"}))));
    EXPECT_EQ(Count(), 0);
    Call(u"Refresh");
    ASSERT_EQ(Count(), 2);
    const LONG zoe = Field(u"FindName", 0) == "Fax Only" ? 1 : 0;
    const std::pair<const char16_t*, const char*> fields[] = {
        {u"FindName", "Zo\xC3\xAB \xC3\x9Cnal"},
        {u"FindEmail", "zoe@example.org"},
        {u"FindBusinessPhone", "030 1"},
        {u"FindBusinessFax", "030 2"},
        {u"FindBusinessWebPage", "http://work.example.org"},
        {u"FindHomePhone", "030 3"},
        {u"FindHomeFax", "030 4"},
        {u"FindPager", "0170 5"},
        {u"FindMobile", "0171 6"},
        {u"FindPersonalWebPage", "http://home.example.org"},
        {u"FindJobTitle", "Editor"},
        {u"FindDepartment", "Books"},
        {u"FindOffice", "Room 7"},
        {u"FindCompanyName", "Verlag"},
    };
    auto zoeItem = ObjectOf(Call(u"Item", {Variant::I4(zoe + 1)}));
    for (const auto& [finder, expected] : fields) {
        EXPECT_EQ(Field(finder, zoe), expected) << winpal::Utf16ToUtf8(finder);
        // The record's property of the same name holds the same text.
        const std::u16string property = std::u16string(finder).substr(4);
        EXPECT_EQ(TextOf(CallByName(zoeItem.Get(), property)), expected);
        EXPECT_EQ(RaisedBy(zoeItem.Get(), DispidOf(zoeItem.Get(), property), DISPATCH_PROPERTYPUT,
                           {Variant::Utf8("x")}),
                  CTL_E_SETNOTSUPPORTED);
    }
    EXPECT_EQ(Field(u"FindBusinessFax", 1 - zoe), "0301");
    EXPECT_EQ(Field(u"FindHomeFax", 1 - zoe), "");
    EXPECT_EQ(RaisedBy(contacts.Get(), 1, DISPATCH_PROPERTYPUT, {Variant::I4(1)}),
              CTL_E_SETNOTSUPPORTED);
}

TEST_F(ContactsTest, DeleteKeepsTheRecordUntilRefreshAndItemMatchesNamesExactly) {
    AddEntry(PR_DEF_CREATE_MAILUSER, "Ann");
    AddEntry(PR_DEF_CREATE_MAILUSER, "Bob");
    OpenControl();
    const std::string first = Field(u"FindName", 0);
    EXPECT_EQ(TextOf(CallByName(ObjectOf(Call(u"Item", {Variant::Utf8(first)})).Get(), u"Name")),
              first);
    EXPECT_EQ(Call(u"Item", {Variant::Utf8("ann")}).Ptr()->pdispVal, nullptr);
    EXPECT_EQ(Call(u"Item", {Variant::I4(3)}).Ptr()->pdispVal, nullptr);

    EXPECT_TRUE(BooleanOf(Call(u"DeleteContact", {Variant::I4(0)})));
    EXPECT_EQ(Field(u"FindName", 0), first);
    // The contact is gone from the address book: deleting it again is not reported as done.
    EXPECT_FALSE(BooleanOf(Call(u"DeleteContact", {Variant::I4(0)})));
    Call(u"Refresh");
    EXPECT_EQ(Count(), 1);
    EXPECT_NE(Field(u"FindName", 0), first);
}

TEST_F(ContactsTest, APositionWithoutAContactAnswersEmpty) {
    AddEntry(PR_DEF_CREATE_MAILUSER, "Ann");
    OpenControl();
    for (LONG position : {-1, 1, 1000}) {
        for (const char16_t* finder : {u"FindName", u"FindEmail", u"FindBusinessWebPage"})
            EXPECT_EQ(Field(finder, position), "");
        EXPECT_FALSE(BooleanOf(Call(u"DeleteContact", {Variant::I4(position)})));
        EXPECT_EQ(Call(u"ShowProperties", {Variant::I4(position)}).Type(), VT_EMPTY);
    }
    // Without a display the address book's windows return at once and change nothing.
    Call(u"ShowProperties", {Variant::I4(0)});
    Call(u"NewContactFromUI");
    Call(u"Refresh");
    EXPECT_EQ(Count(), 1);
}

TEST_F(ContactsTest, WithoutTheStoreTheCollectionIsDetached) {
    AddEntry(PR_DEF_CREATE_MAILUSER, "Ann");
    store.initializeResult = E_FAIL;
    OpenControl();
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(BooleanOf(Call(u"NewContact", NewContactArguments({"New"}))));
    Call(u"Refresh");
    EXPECT_EQ(Count(), 0);
}

TEST_F(ContactsTest, AnAddressBookThatCannotBeOpenedGivesNoContacts) {
    AddEntry(PR_DEF_CREATE_MAILUSER, "Ann");
    // The registry names a library that is not there, and none is found under the default name.
    RegSetValueA(HKEY_LOCAL_MACHINE, WAB_DLL_PATH_KEY, REG_SZ, "/nonexistent/wab32.so", 0);
    OpenControl();
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(BooleanOf(Call(u"NewContact", NewContactArguments({"New"}))));
    EXPECT_FALSE(BooleanOf(Call(u"DeleteContact", {Variant::I4(0)})));
}

}  // namespace
}  // namespace testsupport
