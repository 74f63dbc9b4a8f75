// The call sequences of the control's contacts collection, step by step as the control makes
// them: reading every contact one row at a time, creating a contact from fourteen texts with one
// narrow SetProps each, and deleting the selected contact.
#include <cstring>
#include <map>

#include "wab_test_util.h"

namespace wabtest {
namespace {

struct ClientContact {
    std::string name;
    SBinary* entryId = nullptr;           // in address-book memory, as the control keeps it
    std::map<ULONG, std::string> fields;  // property id -> narrow text
};

class ClientSequence : public BookTest {
  protected:
    void TearDown() override {
        for (ClientContact& contact : contacts_)
            book_.wab->FreeBuffer(contact.entryId);
        BookTest::TearDown();
    }

    ComPtr<IABContainer> OpenPab() {
        ULONG cb = 0;
        LPENTRYID pab = nullptr;
        EXPECT_EQ(book_.book->GetPAB(&cb, &pab), S_OK);
        ComPtr<IABContainer> container;
        ULONG type = 0;
        const HRESULT hr = book_.book->OpenEntry(cb, pab, nullptr, 0, &type,
                                                 reinterpret_cast<LPUNKNOWN*>(container.Put()));
        book_.wab->FreeBuffer(pab);
        EXPECT_EQ(hr, S_OK);
        return container;
    }

    void LoadContacts() {
        ComPtr<IABContainer> container = OpenPab();
        ComPtr<IMAPITable> table;
        ASSERT_EQ(container->GetContentsTable(0, table.Put()), S_OK);
        SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};
        ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
        ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
        for (;;) {
            LPSRowSet rows = nullptr;
            if (FAILED(table->QueryRows(1, 0, &rows)) || !rows)
                break;
            if (rows->cRows == 0) {
                book_.wab->FreeBuffer(rows);
                break;
            }
            const SPropValue* props = rows->aRow[0].lpProps;
            if (props[2].Value.l == static_cast<LONG>(MAPI_MAILUSER))
                AddRow(props);
            for (ULONG i = 0; i < rows->cRows; ++i)
                book_.wab->FreeBuffer(rows->aRow[i].lpProps);
            book_.wab->FreeBuffer(rows);
        }
    }

    void AddRow(const SPropValue* props) {
        ClientContact contact;
        contact.name = props[0].Value.lpszA;
        LPVOID copy = nullptr;
        ASSERT_EQ(book_.wab->AllocateBuffer(sizeof(SBinary), &copy), S_OK);
        contact.entryId = static_cast<SBinary*>(copy);
        contact.entryId->cb = props[1].Value.bin.cb;
        LPVOID bytes = nullptr;
        ASSERT_EQ(book_.wab->AllocateMore(props[1].Value.bin.cb, copy, &bytes), S_OK);
        std::memcpy(bytes, props[1].Value.bin.lpb, props[1].Value.bin.cb);
        contact.entryId->lpb = static_cast<LPBYTE>(bytes);

        ComPtr<IMailUser> user;
        ULONG type = 0;
        ASSERT_EQ(book_.book->OpenEntry(contact.entryId->cb,
                                        reinterpret_cast<LPENTRYID>(contact.entryId->lpb), nullptr,
                                        0, &type, reinterpret_cast<LPUNKNOWN*>(user.Put())),
                  S_OK);
        book_.wab->FreeBuffer(lastProps_);
        lastProps_ = nullptr;
        ASSERT_EQ(user->GetProps(nullptr, 0, &lastCount_, &lastProps_), S_OK);
        for (ULONG i = 0; i < lastCount_; ++i) {
            if (PROP_TYPE(lastProps_[i].ulPropTag) == PT_STRING8)
                contact.fields[PROP_ID(lastProps_[i].ulPropTag)] = lastProps_[i].Value.lpszA;
        }
        contacts_.push_back(std::move(contact));
    }

    void GetCreateTemplate(ULONG objectType, ULONG* cb, LPENTRYID* id) {
        ComPtr<IABContainer> container = OpenPab();
        SizedSPropTagArray(2, tags) = {2, {PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL}};
        ULONG count = 0;
        LPSPropValue values = nullptr;
        EXPECT_EQ(container->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values),
                  S_OK);
        EXPECT_EQ(values[0].ulPropTag, PR_DEF_CREATE_MAILUSER);
        EXPECT_EQ(values[1].ulPropTag, PR_DEF_CREATE_DL);
        const SBinary& chosen = values[objectType == MAPI_DISTLIST ? 1 : 0].Value.bin;
        LPVOID copy = nullptr;
        EXPECT_EQ(book_.wab->AllocateBuffer(chosen.cb, &copy), S_OK);
        std::memcpy(copy, chosen.lpb, chosen.cb);
        *cb = chosen.cb;
        *id = static_cast<LPENTRYID>(copy);
        book_.wab->FreeBuffer(values);
    }

    void CreateContact(const std::vector<const char*>& texts) {
        ULONG oneOffSize = 0;
        LPENTRYID oneOff = nullptr;
        ASSERT_EQ(book_.book->CreateOneOff(const_cast<LPSTR>(texts[0]), const_cast<LPSTR>("SMTP"),
                                           const_cast<LPSTR>(texts[1]), 0, &oneOffSize, &oneOff),
                  S_OK);
        ULONG tplSize = 0;
        LPENTRYID tpl = nullptr;
        GetCreateTemplate(MAPI_MAILUSER, &tplSize, &tpl);
        ComPtr<IABContainer> container = OpenPab();
        ComPtr<IMAPIProp> user;
        ASSERT_EQ(container->CreateEntry(tplSize, tpl, 0, user.Put()), S_OK);
        // The fourteen texts in the control's order: name, e-mail, business phone, business fax,
        // business page, home phone, home fax, pager, mobile, personal page, job title,
        // department, office, company; set in the order the control sets them.
        const std::pair<ULONG, const char*> order[] = {
            {PR_DISPLAY_NAME, texts[0]},
            {PR_EMAIL_ADDRESS, texts[1]},
            {PR_ADDRTYPE, "SMTP"},
            {PR_BUSINESS_TELEPHONE_NUMBER, texts[2]},
            {PR_HOME_TELEPHONE_NUMBER, texts[5]},
            {PR_HOME_FAX_NUMBER, texts[6]},
            {PR_PAGER_TELEPHONE_NUMBER, texts[7]},
            {PR_CELLULAR_TELEPHONE_NUMBER, texts[8]},
            {PR_PERSONAL_HOME_PAGE, texts[9]},
            {PR_TITLE, texts[10]},
            {PR_DEPARTMENT_NAME, texts[11]},
            {PR_OFFICE_LOCATION, texts[12]},
            {PR_COMPANY_NAME, texts[13]},
            {PR_BUSINESS_HOME_PAGE, texts[4]},
            {PR_BUSINESS_FAX_NUMBER, texts[3]},
        };
        for (const auto& [tag, text] : order) {
            SPropValue value = Narrow(tag, text);
            EXPECT_EQ(user->SetProps(1, &value, nullptr), S_OK);
        }
        EXPECT_EQ(user->SaveChanges(0), S_OK);
        book_.wab->FreeBuffer(tpl);
        book_.wab->FreeBuffer(oneOff);
    }

    HRESULT DeleteSelected(const ClientContact& contact) {
        ComPtr<IABContainer> container = OpenPab();
        SBinary id = *contact.entryId;
        ENTRYLIST list{1, &id};
        const HRESULT hr = container->DeleteEntries(&list, 0);
        book_.wab->FreeBuffer(lastProps_);
        lastProps_ = nullptr;
        lastCount_ = 0;
        return hr;
    }

    void Refresh() {
        book_.wab->FreeBuffer(lastProps_);
        lastProps_ = nullptr;
        for (ClientContact& contact : contacts_)
            book_.wab->FreeBuffer(contact.entryId);
        contacts_.clear();
        Reopen();
        LoadContacts();
    }

    std::vector<ClientContact> contacts_;
    LPSPropValue lastProps_ = nullptr;
    ULONG lastCount_ = 0;
};

TEST_F(ClientSequence, CreatedContactsAreReadBackWithEveryFieldAndDeleted) {
    AddContact("Listed Before");
    Add(PR_DEF_CREATE_DL, {{PR_DISPLAY_NAME, "A Group"}});
    CreateContact({"Ren\xE9 Fa\xDF", "rene@example.org", "+1 100", "+1 101", "http://biz.example",
                   "+1 102", "+1 103", "+1 104", "+1 105", "http://me.example", "Engineer", "R&D",
                   "B-12", "ACME"});
    CreateContact({"Only Fax", "", "", "+1 555", "", "", "", "", "", "", "", "", "", ""});
    LoadContacts();
    book_.wab->FreeBuffer(lastProps_);
    lastProps_ = nullptr;

    ASSERT_EQ(contacts_.size(), 3u);  // the group is not a contact
    const ClientContact& rene = contacts_[2];
    EXPECT_EQ(rene.name, "Ren\xE9 Fa\xDF");
    const std::map<ULONG, std::string> expected = {
        {PROP_ID(PR_EMAIL_ADDRESS), "rene@example.org"},
        {PROP_ID(PR_BUSINESS_TELEPHONE_NUMBER), "+1 100"},
        {PROP_ID(PR_BUSINESS_FAX_NUMBER), "+1 101"},
        {PROP_ID(PR_BUSINESS_HOME_PAGE), "http://biz.example"},
        {PROP_ID(PR_HOME_TELEPHONE_NUMBER), "+1 102"},
        {PROP_ID(PR_HOME_FAX_NUMBER), "+1 103"},
        {PROP_ID(PR_PAGER_TELEPHONE_NUMBER), "+1 104"},
        {PROP_ID(PR_CELLULAR_TELEPHONE_NUMBER), "+1 105"},
        {PROP_ID(PR_PERSONAL_HOME_PAGE), "http://me.example"},
        {PROP_ID(PR_TITLE), "Engineer"},
        {PROP_ID(PR_DEPARTMENT_NAME), "R&D"},
        {PROP_ID(PR_OFFICE_LOCATION), "B-12"},
        {PROP_ID(PR_COMPANY_NAME), "ACME"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(rene.fields.at(id), text) << std::hex << id;
    const ClientContact& fax = contacts_[1];
    EXPECT_EQ(fax.fields.at(PROP_ID(PR_BUSINESS_FAX_NUMBER)), "+1 555");
    EXPECT_EQ(fax.fields.at(PROP_ID(PR_HOME_FAX_NUMBER)), "");

    EXPECT_EQ(DeleteSelected(contacts_[0]), S_OK);
    EXPECT_EQ(DeleteSelected(contacts_[0]), MAPI_W_PARTIAL_COMPLETION);
    Refresh();
    ASSERT_EQ(contacts_.size(), 2u);
    EXPECT_EQ(contacts_[0].name, "Only Fax");
    book_.wab->FreeBuffer(lastProps_);
    lastProps_ = nullptr;
}

TEST_F(ClientSequence, DialogsWithoutAWindowSystemCancelAtOnce) {
    const std::string id = AddContact("Headless", "h@example.org");
    ULONG_PTR window = 0;
    EXPECT_EQ(book_.book->Details(&window, nullptr, nullptr, static_cast<ULONG>(id.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<char*>(id.data())),
                                  nullptr, nullptr, nullptr, 0),
              MAPI_E_USER_CANCEL);
    ULONG tplSize = 0;
    LPENTRYID tpl = nullptr;
    GetCreateTemplate(MAPI_MAILUSER, &tplSize, &tpl);
    ULONG newSize = 0;
    LPENTRYID newId = nullptr;
    EXPECT_EQ(book_.book->NewEntry(0, 0, 0, nullptr, tplSize, tpl, &newSize, &newId),
              MAPI_E_USER_CANCEL);
    EXPECT_EQ(newId, nullptr);
    book_.wab->FreeBuffer(tpl);
    EXPECT_EQ(Rows().size(), 1u);
}

}  // namespace
}  // namespace wabtest
