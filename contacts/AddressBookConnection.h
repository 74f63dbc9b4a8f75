// AddressBookConnection: the control's link to the Windows Address Book. It loads the address-book
// library (the path the registry's DLLPath names, else "WAB32.DLL"), opens it with WABOpen, and
// runs the address-book sequences of the contacts collection: reading the contacts, creating one
// from texts or through the address book's own window, showing one, and deleting one. The
// control replaces the connection on every contacts Refresh.
#pragma once

#include <string>
#include <vector>

#include <wab/wabapi.h>
#include <winpal/winpal.h>

#include "contacts/Contact.h"

class CContacts;

class AddressBookConnection {
  public:
    // OpenAddressBook: loads and opens the address book named by `fileName` (empty for the
    // user's default one). Opened() tells whether that worked.
    explicit AddressBookConnection(const std::string& fileName);
    // CloseAddressBook: frees the selection and, when opened, the last property array, releases
    // both interfaces and unloads the library.
    ~AddressBookConnection();
    AddressBookConnection(const AddressBookConnection&) = delete;
    AddressBookConnection& operator=(const AddressBookConnection&) = delete;

    bool Opened() const { return opened_; }

    // The template entry id for creating an entry of `objectType` (MAPI_MAILUSER or
    // MAPI_DISTLIST), in address-book memory that the caller frees with FreeBuffer. Answers the
    // result of the last address-book call; hands out nothing on failure.
    HRESULT GetCreateTemplate(ULONG objectType, ULONG* size, LPENTRYID* bytes);

    // Copies the contact's entry id as the selection; no contact leaves the selection as it was.
    void SelectContact(const CContact* contact);
    // The address book's property window for the selected contact.
    void ShowSelectedDetails();
    // Deletes the selected contact; true when the address book did.
    bool DeleteSelected();
    // The address book's new-contact window, which stores the contact itself.
    void NewEntryFromUI();
    // Creates a mail user with the record's fourteen texts (and the address type "SMTP"); true
    // once the address book stored it.
    bool CreateContact(const ContactRecord& contact);
    // Reads every mail user of the personal address book into `contacts`, one table row at a
    // time; a failure ends the reading or skips the row, and what was read stays.
    void LoadContacts(CContacts& contacts);

  private:
    // The personal address book's container, or null.
    winpal::ComPtr<IABContainer> OpenPersonalAddressBook();
    void FreeBuffer(void* buffer);
    // Reads one mail user's row: its fields from all of its properties.
    void ReadMailUser(CContacts& contacts, const SRow& row);

    bool opened_ = false;
    HMODULE library_ = nullptr;
    LPWABOPEN wabOpen_ = nullptr;
    winpal::ComPtr<IAddrBook> addrBook_;
    winpal::ComPtr<IWABObject> wabObject_;
    // The properties fetched for the contact read last.
    LPSPropValue props_ = nullptr;
    ULONG propCount_ = 0;
    // The contact ShowProperties or DeleteContact addressed last.
    std::vector<BYTE> selected_;
};
