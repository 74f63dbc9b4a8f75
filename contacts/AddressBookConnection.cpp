#include "contacts/AddressBookConnection.h"

#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include <winpal/kernel.h>
#include <winpal/registry.h>

#include "contacts/Contacts.h"
#include "contacts/PropertyTagName.h"

namespace {

constexpr DWORD kPathBuffer = 260;
constexpr char kAddressType[] = "SMTP";

// The fields a contact is read into, matched by the property's name, in the order they are
// looked for.
struct NamedField {
    std::string_view name;
    ContactField field;
};
constexpr std::array<NamedField, 13> kReadFields = {{
    {"PR_EMAIL_ADDRESS", kEmail},
    {"PR_BUSINESS_TELEPHONE_NUMBER", kBusinessPhone},
    {"PR_HOME_TELEPHONE_NUMBER", kHomePhone},
    {"PR_HOME_FAX_NUMBER", kHomeFax},
    {"PR_BUSINESS_FAX_NUMBER", kBusinessFax},
    {"PR_PAGER_TELEPHONE_NUMBER", kPager},
    {"PR_CELLULAR_TELEPHONE_NUMBER", kMobile},
    {"PR_PERSONAL_HOME_PAGE", kPersonalWebPage},
    {"PR_TITLE", kJobTitle},
    {"PR_DEPARTMENT_NAME", kDepartment},
    {"PR_OFFICE_LOCATION", kOffice},
    {"PR_COMPANY_NAME", kCompanyName},
    {"PR_BUSINESS_HOME_PAGE", kBusinessWebPage},
}};

// The properties a new contact is given, one SetProps call each, in this order; the address
// type is the one value that is not a field.
struct FieldProperty {
    ULONG tag;
    ContactField field;
};
constexpr ContactField kAddressTypeValue = kContactFieldCount;
constexpr std::array<FieldProperty, 15> kCreatedProperties = {{
    {PR_DISPLAY_NAME_A, kName},
    {PR_EMAIL_ADDRESS_A, kEmail},
    {PR_ADDRTYPE_A, kAddressTypeValue},
    {PR_BUSINESS_TELEPHONE_NUMBER_A, kBusinessPhone},
    {PR_HOME_TELEPHONE_NUMBER_A, kHomePhone},
    {PR_HOME_FAX_NUMBER_A, kHomeFax},
    {PR_PAGER_TELEPHONE_NUMBER_A, kPager},
    {PR_CELLULAR_TELEPHONE_NUMBER_A, kMobile},
    {PR_PERSONAL_HOME_PAGE_A, kPersonalWebPage},
    {PR_TITLE_A, kJobTitle},
    {PR_DEPARTMENT_NAME_A, kDepartment},
    {PR_OFFICE_LOCATION_A, kOffice},
    {PR_COMPANY_NAME_A, kCompanyName},
    {PR_BUSINESS_HOME_PAGE_A, kBusinessWebPage},
    {PR_BUSINESS_FAX_NUMBER_A, kBusinessFax},
}};

// The address-book library's path from the registry's DLLPath; empty when it names none.
std::string LibraryPath() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WAB_DLL_PATH_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    char path[kPathBuffer] = {};
    DWORD size = sizeof path;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(path), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return {};
    return std::string(path, strnlen(path, sizeof path));
}

// A text value as narrow text in the ANSI code page; nothing for a value of another type.
std::optional<std::string> NarrowText(const SPropValue& value) {
    switch (PROP_TYPE(value.ulPropTag)) {
        case PT_STRING8:
            return std::string(value.Value.lpszA ? value.Value.lpszA : "");
        case PT_UNICODE:
            return winpal::WideToAnsi(value.Value.lpszW ? std::u16string_view(value.Value.lpszW)
                                                        : std::u16string_view());
        default:
            return std::nullopt;
    }
}

// One row value by position, when the row holds it with the expected type.
const SPropValue* Column(const SRow& row, ULONG position, ULONG type) {
    if (!row.lpProps || position >= row.cValues)
        return nullptr;
    const SPropValue& value = row.lpProps[position];
    return PROP_TYPE(value.ulPropTag) == type ? &value : nullptr;
}

}  // namespace

AddressBookConnection::AddressBookConnection(const std::string& fileName) {
    const std::string path = LibraryPath();
    library_ = LoadLibraryA(path.empty() ? WAB_DLL_NAME : path.c_str());
    if (!library_)
        return;
    wabOpen_ =
        reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(library_, "WABOpen")));
    if (!wabOpen_)
        return;
    WAB_PARAM param{};
    param.cbSize = sizeof(WAB_PARAM);
    param.hwnd = nullptr;
    param.szFileName = const_cast<LPSTR>(fileName.c_str());
    param.ulFlags = 0;
    opened_ = wabOpen_(addrBook_.Put(), wabObject_.Put(), &param, 0) == S_OK;
}

// A library that loaded but did not open is let go as well: nothing of it is in use.
AddressBookConnection::~AddressBookConnection() {
    selected_.clear();
    if (opened_)
        FreeBuffer(props_);
    addrBook_.Reset();
    wabObject_.Reset();
    if (library_)
        FreeLibrary(library_);
}

void AddressBookConnection::FreeBuffer(void* buffer) {
    if (buffer && wabObject_)
        wabObject_->FreeBuffer(buffer);
}

winpal::ComPtr<IABContainer> AddressBookConnection::OpenPersonalAddressBook() {
    winpal::ComPtr<IABContainer> container;
    ULONG size = 0;
    LPENTRYID id = nullptr;
    if (!opened_ || FAILED(addrBook_->GetPAB(&size, &id)))
        return container;
    ULONG type = 0;
    addrBook_->OpenEntry(size, id, nullptr, 0, &type,
                         reinterpret_cast<LPUNKNOWN*>(container.Put()));
    FreeBuffer(id);
    return container;
}

HRESULT AddressBookConnection::GetCreateTemplate(ULONG objectType, ULONG* size, LPENTRYID* bytes) {
    *size = 0;
    *bytes = nullptr;
    if (!opened_)
        return MAPI_E_NOT_INITIALIZED;
    ULONG pabSize = 0;
    LPENTRYID pab = nullptr;
    HRESULT hr = addrBook_->GetPAB(&pabSize, &pab);
    if (FAILED(hr))
        return hr;
    winpal::ComPtr<IABContainer> container;
    ULONG type = 0;
    hr = addrBook_->OpenEntry(pabSize, pab, nullptr, 0, &type,
                              reinterpret_cast<LPUNKNOWN*>(container.Put()));
    if (SUCCEEDED(hr) && container) {
        SizedSPropTagArray(2, tags) = {2, {PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL}};
        ULONG count = 0;
        LPSPropValue values = nullptr;
        hr = container->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
        if (SUCCEEDED(hr) && values && count == 2 &&
            values[0].ulPropTag == PR_DEF_CREATE_MAILUSER &&
            values[1].ulPropTag == PR_DEF_CREATE_DL) {
            const SBinary& chosen = values[objectType == MAPI_DISTLIST ? 1 : 0].Value.bin;
            LPVOID copy = nullptr;
            hr = wabObject_->AllocateBuffer(chosen.cb, &copy);
            if (SUCCEEDED(hr) && copy) {
                std::memcpy(copy, chosen.lpb, chosen.cb);
                *size = chosen.cb;
                *bytes = static_cast<LPENTRYID>(copy);
            }
        }
        FreeBuffer(values);
    } else if (SUCCEEDED(hr)) {
        hr = MAPI_E_NOT_FOUND;
    }
    container.Reset();
    FreeBuffer(pab);
    return hr;
}

void AddressBookConnection::SelectContact(const CContact* contact) {
    if (!contact)
        return;
    selected_ = contact->Record().entryId;
}

void AddressBookConnection::ShowSelectedDetails() {
    if (!opened_ || selected_.empty())
        return;
    ULONG_PTR window = 0;
    addrBook_->Details(&window, nullptr, nullptr, static_cast<ULONG>(selected_.size()),
                       reinterpret_cast<LPENTRYID>(selected_.data()), nullptr, nullptr, nullptr, 0);
}

bool AddressBookConnection::DeleteSelected() {
    winpal::ComPtr<IABContainer> container = OpenPersonalAddressBook();
    if (!container || selected_.empty())
        return false;
    SBinary entry{static_cast<ULONG>(selected_.size()), selected_.data()};
    ENTRYLIST list{1, &entry};
    const HRESULT hr = container->DeleteEntries(&list, 0);
    FreeBuffer(props_);
    props_ = nullptr;
    propCount_ = 0;
    return hr == S_OK;
}

void AddressBookConnection::NewEntryFromUI() {
    ULONG templateSize = 0;
    LPENTRYID templateId = nullptr;
    if (FAILED(GetCreateTemplate(MAPI_MAILUSER, &templateSize, &templateId)))
        return;
    ULONG newSize = 0;
    LPENTRYID newId = nullptr;
    addrBook_->NewEntry(0, 0, 0, nullptr, templateSize, templateId, &newSize, &newId);
    FreeBuffer(newId);
    FreeBuffer(templateId);
}

bool AddressBookConnection::CreateContact(const ContactRecord& contact) {
    if (!opened_)
        return false;
    ULONG oneOffSize = 0;
    LPENTRYID oneOff = nullptr;
    addrBook_->CreateOneOff(
        const_cast<LPSTR>(contact.fields[kName].c_str()), const_cast<LPSTR>(kAddressType),
        const_cast<LPSTR>(contact.fields[kEmail].c_str()), 0, &oneOffSize, &oneOff);
    ULONG templateSize = 0;
    LPENTRYID templateId = nullptr;
    GetCreateTemplate(MAPI_MAILUSER, &templateSize, &templateId);
    bool stored = false;
    if (winpal::ComPtr<IABContainer> container = OpenPersonalAddressBook(); container) {
        winpal::ComPtr<IMAPIProp> user;
        container->CreateEntry(templateSize, templateId, 0, user.Put());
        if (user) {
            for (const FieldProperty& property : kCreatedProperties) {
                SPropValue value{};
                value.ulPropTag = property.tag;
                value.Value.lpszA = const_cast<LPSTR>(property.field == kAddressTypeValue
                                                          ? kAddressType
                                                          : contact.fields[property.field].c_str());
                user->SetProps(1, &value, nullptr);
            }
            stored = user->SaveChanges(0) == S_OK;
        }
    }
    FreeBuffer(templateId);
    FreeBuffer(oneOff);
    return stored;
}

void AddressBookConnection::LoadContacts(CContacts& contacts) {
    winpal::ComPtr<IABContainer> container = OpenPersonalAddressBook();
    if (!container)
        return;
    winpal::ComPtr<IMAPITable> table;
    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_OBJECT_TYPE}};
    if (FAILED(container->GetContentsTable(0, table.Put())) || !table ||
        FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)) ||
        FAILED(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) {
        return;
    }
    for (;;) {
        LPSRowSet rows = nullptr;
        if (FAILED(table->QueryRows(1, 0, &rows)) || !rows)
            break;
        const bool empty = rows->cRows == 0;
        if (!empty)
            ReadMailUser(contacts, rows->aRow[0]);
        for (ULONG i = 0; i < rows->cRows; ++i)
            FreeBuffer(rows->aRow[i].lpProps);
        FreeBuffer(rows);
        if (empty)
            break;
    }
}

// A row that is not a mail user (a distribution list), or that lacks an entry id, is skipped.
void AddressBookConnection::ReadMailUser(CContacts& contacts, const SRow& row) {
    const SPropValue* type = Column(row, 2, PT_LONG);
    const SPropValue* entry = Column(row, 1, PT_BINARY);
    if (!type || type->Value.l != static_cast<LONG>(MAPI_MAILUSER) || !entry)
        return;

    // The entry id in address-book memory: the binary from AllocateBuffer, its bytes linked to it.
    SBinary* id = nullptr;
    if (FAILED(wabObject_->AllocateBuffer(sizeof(SBinary), reinterpret_cast<LPVOID*>(&id))) ||
        !id) {
        return;
    }
    id->cb = entry->Value.bin.cb;
    id->lpb = nullptr;
    if (FAILED(wabObject_->AllocateMore(id->cb, id, reinterpret_cast<LPVOID*>(&id->lpb))) ||
        !id->lpb) {
        FreeBuffer(id);
        return;
    }
    std::memcpy(id->lpb, entry->Value.bin.lpb, id->cb);

    winpal::ComPtr<IMAPIProp> user;
    ULONG objectType = 0;
    addrBook_->OpenEntry(id->cb, reinterpret_cast<LPENTRYID>(id->lpb), nullptr, 0, &objectType,
                         reinterpret_cast<LPUNKNOWN*>(user.Put()));
    if (!user) {
        FreeBuffer(id);
        return;
    }
    FreeBuffer(props_);
    props_ = nullptr;
    propCount_ = 0;
    if (FAILED(user->GetProps(nullptr, 0, &propCount_, &props_))) {
        props_ = nullptr;
        propCount_ = 0;
    }
    user.Reset();

    ContactRecord record;
    const SPropValue* name = Column(row, 0, PT_STRING8);
    record.fields[kName] = name && name->Value.lpszA ? name->Value.lpszA : "";
    for (ULONG i = 0; props_ && i < propCount_; ++i) {
        const std::string propertyName = PropertyTagName(props_[i].ulPropTag);
        for (const NamedField& field : kReadFields) {
            if (field.name != propertyName)
                continue;
            // Only text values are read: another type under the same name is passed over.
            if (std::optional<std::string> text = NarrowText(props_[i]))
                record.fields[field.field] = std::move(*text);
            break;
        }
    }
    record.entryId.assign(id->lpb, id->lpb + id->cb);
    FreeBuffer(id);
    contacts.AddContact(std::move(record));
}
