// CContacts: the mail users of the personal address book (interface IContacts), in the order the
// address book's contents table gave them. The list changes only when the control's window is
// created and on Refresh; creating or deleting a contact leaves it as it was. Linked to the
// control once the control has opened the mail store; unlinked it is empty and its operations
// do nothing or answer False.
#pragma once

#include <string>

#include <olectl/object.h>

#include "contacts/Contact.h"
#include "control/ItemList.h"
#include "control/XEnumVariant.h"

class CQuillboxCtrl;
class AddressBookConnection;

class CContacts : public olectl::CCmdTarget, public EnumerableCollection {
  public:
    // Automation (IContacts). Positions count from 0, except Item's from 1. A position without a
    // contact answers empty text or False and changes nothing.
    LONG GetCount();
    std::string FindName(LONG iIndex);
    void ShowProperties(LONG iIndex);
    bool DeleteContact(LONG iIndex);
    void Refresh();
    void NewContactFromUI();
    bool NewContact(const std::string& strContactName, const std::string& strEmail,
                    const std::string& strBusTelNo, const std::string& strBusFaxNo,
                    const std::string& strBusHomePage, const std::string& strHomeTelNo,
                    const std::string& strHomeFaxNo, const std::string& strPager,
                    const std::string& strMobile, const std::string& strPerHomePage,
                    const std::string& strJobTitle, const std::string& strDepartment,
                    const std::string& strOffice, const std::string& strCompanyName);
    template <ContactField F>
    std::string Find(LONG iIndex) {
        const CContact* contact = list_.At(iIndex);
        return contact ? contact->Record().fields[F] : std::string();
    }
    IDispatch* GetItem(const VARIANT& key);
    IUnknown* GetNewEnum();

    // Operations of the control and the address-book connection.
    void SetControl(CQuillboxCtrl* control) { control_ = control; }
    void AddContact(ContactRecord record);
    void ClearContacts() { list_.Clear(); }

    IDispatch* CollectionDispatch() override { return this; }
    std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() override { return list_.Snapshot(); }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    // The control's connection when the collection is linked; null otherwise.
    AddressBookConnection* Connection() const;

    CQuillboxCtrl* control_ = nullptr;
    ItemList<CContact> list_;
};
