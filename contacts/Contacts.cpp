#include "contacts/Contacts.h"

#include "contacts/AddressBookConnection.h"
#include "control/QuillboxCtrl.h"
#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"

const olectl::DispatchMap& CContacts::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CContacts::GetCount, olectl::SetNotSupported>(1),
        olectl::DispMethod<&CContacts::FindName>(2),
        olectl::DispMethod<&CContacts::ShowProperties>(3),
        olectl::DispMethod<&CContacts::DeleteContact>(4),
        olectl::DispMethod<&CContacts::Refresh>(5),
        olectl::DispMethod<&CContacts::NewContactFromUI>(6),
        olectl::DispMethod<&CContacts::NewContact>(7),
        olectl::DispMethod<&CContacts::Find<kEmail>>(8),
        olectl::DispMethod<&CContacts::Find<kBusinessPhone>>(9),
        olectl::DispMethod<&CContacts::Find<kHomePhone>>(10),
        olectl::DispMethod<&CContacts::Find<kHomeFax>>(11),
        olectl::DispMethod<&CContacts::Find<kBusinessFax>>(12),
        olectl::DispMethod<&CContacts::Find<kPager>>(13),
        olectl::DispMethod<&CContacts::Find<kMobile>>(14),
        olectl::DispMethod<&CContacts::Find<kPersonalWebPage>>(15),
        olectl::DispMethod<&CContacts::Find<kJobTitle>>(16),
        olectl::DispMethod<&CContacts::Find<kDepartment>>(17),
        olectl::DispMethod<&CContacts::Find<kOffice>>(18),
        olectl::DispMethod<&CContacts::Find<kCompanyName>>(19),
        olectl::DispMethod<&CContacts::Find<kBusinessWebPage>>(20),
        olectl::DispProperty<&CContacts::GetItem>(21),
        olectl::DispProperty<&CContacts::GetNewEnum>(DISPID_NEWENUM),
    };
    return map;
}

const olectl::TypeInfo& CContacts::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IContacts);
}

AddressBookConnection* CContacts::Connection() const {
    return control_ ? control_->AddressBook() : nullptr;
}

LONG CContacts::GetCount() {
    return static_cast<LONG>(list_.Size());
}

std::string CContacts::FindName(LONG iIndex) {
    return Find<kName>(iIndex);
}

void CContacts::ShowProperties(LONG iIndex) {
    AddressBookConnection* connection = Connection();
    const CContact* contact = list_.At(iIndex);
    if (!connection || !contact)
        return;
    connection->SelectContact(contact);
    connection->ShowSelectedDetails();
}

// True only when the address book deleted the contact; the list keeps it until Refresh.
bool CContacts::DeleteContact(LONG iIndex) {
    AddressBookConnection* connection = Connection();
    const CContact* contact = list_.At(iIndex);
    if (!connection || !contact)
        return false;
    connection->SelectContact(contact);
    return connection->DeleteSelected();
}

void CContacts::Refresh() {
    ClearContacts();
    if (control_)
        control_->LoadAddressBook(true);
}

void CContacts::NewContactFromUI() {
    if (AddressBookConnection* connection = Connection())
        connection->NewEntryFromUI();
}

// True only when the address book stored the new contact.
bool CContacts::NewContact(const std::string& strContactName, const std::string& strEmail,
                           const std::string& strBusTelNo, const std::string& strBusFaxNo,
                           const std::string& strBusHomePage, const std::string& strHomeTelNo,
                           const std::string& strHomeFaxNo, const std::string& strPager,
                           const std::string& strMobile, const std::string& strPerHomePage,
                           const std::string& strJobTitle, const std::string& strDepartment,
                           const std::string& strOffice, const std::string& strCompanyName) {
    AddressBookConnection* connection = Connection();
    if (!connection)
        return false;
    ContactRecord contact;
    contact.fields[kName] = strContactName;
    contact.fields[kEmail] = strEmail;
    contact.fields[kBusinessPhone] = strBusTelNo;
    contact.fields[kBusinessFax] = strBusFaxNo;
    contact.fields[kBusinessWebPage] = strBusHomePage;
    contact.fields[kHomePhone] = strHomeTelNo;
    contact.fields[kHomeFax] = strHomeFaxNo;
    contact.fields[kPager] = strPager;
    contact.fields[kMobile] = strMobile;
    contact.fields[kPersonalWebPage] = strPerHomePage;
    contact.fields[kJobTitle] = strJobTitle;
    contact.fields[kDepartment] = strDepartment;
    contact.fields[kOffice] = strOffice;
    contact.fields[kCompanyName] = strCompanyName;
    return connection->CreateContact(contact);
}

IDispatch* CContacts::GetItem(const VARIANT& key) {
    return list_.Find(key, [](const CContact& contact) { return contact.Record().fields[kName]; });
}

IUnknown* CContacts::GetNewEnum() {
    return NewEnum(*this);
}

void CContacts::AddContact(ContactRecord record) {
    list_.Append(olectl::MakeObject<CContact>(std::move(record)));
}
