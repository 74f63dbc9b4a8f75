#include "address_book.h"

#include <cstring>

#include <winpal/winpal.h>

#include "allocator.h"
#include "com_object.h"
#include "dialogs.h"
#include "entry.h"
#include "entry_id.h"

namespace wab {
namespace {

std::string TextArgument(LPTSTR text, bool wide) {
    if (wide)
        return winpal::Utf16ToUtf8(reinterpret_cast<LPCWSTR>(text));
    return winpal::Utf16ToUtf8(winpal::AnsiToWide(text));
}

// Applies the dialog's fields to the entry: fields that differ from the entry's are set, and
// fields emptied in the dialog are removed.
HRESULT ApplyFields(EntryState& state, const PropertyList& fields) {
    for (const Property& field : fields) {
        const std::string& text = std::get<std::string>(field.data);
        const Property* current = FindProperty(state.Stored(), PROP_ID(field.tag));
        if (current && current->tag == field.tag && std::get<std::string>(current->data) == text)
            continue;
        const std::u16string wide = winpal::Utf8ToUtf16(text);
        if (text.empty()) {
            if (!current)
                continue;
            SizedSPropTagArray(1, one) = {1, {field.tag}};
            state.DeleteProps(reinterpret_cast<LPSPropTagArray>(&one), nullptr);
            continue;
        }
        SPropValue value{};
        value.ulPropTag = CHANGE_PROP_TYPE(field.tag, PT_UNICODE);
        value.Value.lpszW = const_cast<LPWSTR>(wide.c_str());
        if (HRESULT hr = state.SetProps(1, &value, nullptr); FAILED(hr))
            return hr;
    }
    return state.SaveChanges();
}

class AddressBook final : public MapiProp<IAddrBook> {
  public:
    explicit AddressBook(std::shared_ptr<Database> db) : db_(std::move(db)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryAs(riid, ppv, {&IID_IMAPIProp, &IID_IAddrBook});
    }

    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
        return wab::OpenEntry(db_, cbEntryID, lpEntryID, lpInterface, lpulObjType, lppUnk);
    }

    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                            LPENTRYID lpEntryID2, ULONG, ULONG* lpulResult) override {
        if (!lpulResult || (cbEntryID1 && !lpEntryID1) || (cbEntryID2 && !lpEntryID2))
            return MAPI_E_INVALID_PARAMETER;
        *lpulResult = cbEntryID1 == cbEntryID2 &&
                      (cbEntryID1 == 0 || std::memcmp(lpEntryID1, lpEntryID2, cbEntryID1) == 0);
        return S_OK;
    }

    HRESULT Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }

    // A one-off entry id in MAPI's format; text in UTF-16 when ulFlags has MAPI_UNICODE.
    HRESULT CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                         ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override {
        if (!lpszName || !lpszAdrType || !lpszAddress || !lpcbEntryID || !lppEntryID)
            return MAPI_E_INVALID_PARAMETER;
        const bool wide = (ulFlags & MAPI_UNICODE) != 0;
        ULONG oneOffFlags = wide ? MAPI_ONE_OFF_UNICODE : 0;
        if (ulFlags & MAPI_SEND_NO_RICH_INFO)
            oneOffFlags |= MAPI_ONE_OFF_NO_RICH_INFO;
        const OneOff entry{TextArgument(lpszName, wide), TextArgument(lpszAdrType, wide),
                           TextArgument(lpszAddress, wide)};
        return HandOutEntryId(MakeOneOffId(entry, oneOffFlags), lpcbEntryID, lppEntryID);
    }

    // Shows the new-entry form for the template's object type and stores what was entered;
    // MAPI_E_USER_CANCEL when cancelled or when no window can be shown.
    HRESULT NewEntry(ULONG_PTR, ULONG, ULONG cbEIDContainer, LPENTRYID lpEIDContainer,
                     ULONG cbEIDNewEntryTpl, LPENTRYID lpEIDNewEntryTpl, ULONG* lpcbEIDNewEntry,
                     LPENTRYID* lppEIDNewEntry) override {
        if (lpcbEIDNewEntry)
            *lpcbEIDNewEntry = 0;
        if (lppEIDNewEntry)
            *lppEIDNewEntry = nullptr;
        if (cbEIDContainer != 0) {
            auto container = ParseEntryId(cbEIDContainer, lpEIDContainer);
            if (!container || container->kind != EntryKind::Container)
                return MAPI_E_INVALID_ENTRYID;
        }
        ULONG objectType = MAPI_MAILUSER;
        if (cbEIDNewEntryTpl != 0) {
            auto tpl = ParseEntryId(cbEIDNewEntryTpl, lpEIDNewEntryTpl);
            if (!tpl || tpl->kind != EntryKind::Template)
                return MAPI_E_INVALID_ENTRYID;
            objectType = tpl->objectType;
        }
        PropertyList fields;
        if (!CanShowWindows() || !RunNewEntryDialog(objectType, &fields))
            return MAPI_E_USER_CANCEL;
        EntryState state(db_, objectType);
        if (HRESULT hr = ApplyFields(state, fields); FAILED(hr))
            return hr;
        if (lpcbEIDNewEntry && lppEIDNewEntry)
            return HandOutEntryId(state.EntryId(), lpcbEIDNewEntry, lppEIDNewEntry);
        return S_OK;
    }

    HRESULT ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override { return MAPI_E_NO_SUPPORT; }

    // Shows the entry's details, modal; OK stores the edited fields. MAPI_E_USER_CANCEL when
    // cancelled or when no window can be shown.
    HRESULT Details(ULONG_PTR*, LPFNDISMISS, LPVOID, ULONG cbEntryID, LPENTRYID lpEntryID,
                    LPFNBUTTON, LPVOID, LPTSTR, ULONG) override {
        if (cbEntryID == 0 || !lpEntryID)
            return MAPI_E_INVALID_ENTRYID;
        ULONG type = 0;
        winpal::ComPtr<IUnknown> object;
        if (HRESULT hr = wab::OpenEntry(db_, cbEntryID, lpEntryID, nullptr, &type, object.Put());
            FAILED(hr))
            return hr;
        EntryState* state = StateOf(object.Get());
        if (!state)
            return MAPI_E_NO_SUPPORT;
        if (!CanShowWindows())
            return MAPI_E_USER_CANCEL;
        PropertyList fields;
        if (!RunDetailsDialog(type, state->Stored(), &fields))
            return MAPI_E_USER_CANCEL;
        return ApplyFields(*state, fields);
    }

    HRESULT RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
        return MAPI_E_NO_SUPPORT;
    }

    HRESULT GetPAB(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override {
        return HandOutEntryId(MakeEntryId(PabRef()), lpcbEntryID, lppEntryID);
    }
    HRESULT SetPAB(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetDefaultDir(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override {
        return GetPAB(lpcbEntryID, lppEntryID);
    }
    HRESULT SetDefaultDir(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetSearchPath(ULONG, LPSRowSet*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetSearchPath(ULONG, LPSRowSet) override { return MAPI_E_NO_SUPPORT; }
    HRESULT PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override { return MAPI_E_NO_SUPPORT; }

  protected:
    PropertyList Properties() override { return {}; }

  private:
    std::shared_ptr<Database> db_;
};

// The allocator and the utilities that come with an opened address book.
class WabObject final : public RefCounted<IWABObject> {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return QueryAs(riid, ppv, {}); }
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
        if (lppMAPIError)
            *lppMAPIError = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT AllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) override {
        return wab::AllocateBuffer(cbSize, lppBuffer);
    }
    HRESULT AllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) override {
        return wab::AllocateMore(cbSize, lpObject, lppBuffer);
    }
    HRESULT FreeBuffer(LPVOID lpBuffer) override { return wab::FreeBuffer(lpBuffer); }
    HRESULT Backup(LPSTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Import(LPSTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Find(LPADRBOOK, HWND) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardDisplay(LPADRBOOK, HWND, LPSTR) override { return MAPI_E_NO_SUPPORT; }
    HRESULT LDAPUrl(LPADRBOOK, HWND, ULONG, LPSTR, LPMAILUSER* lppMailUser) override {
        if (lppMailUser)
            *lppMailUser = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT VCardCreate(LPADRBOOK, ULONG, LPSTR, LPMAILUSER) override { return MAPI_E_NO_SUPPORT; }
    HRESULT VCardRetrieve(LPADRBOOK, ULONG, LPSTR, LPMAILUSER* lppMailUser) override {
        if (lppMailUser)
            *lppMailUser = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetMe(LPADRBOOK, ULONG, DWORD*, SBinary*, HWND) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SetMe(LPADRBOOK, ULONG, SBinary, HWND) override { return MAPI_E_NO_SUPPORT; }
};

}  // namespace

LPADRBOOK NewAddressBook(std::shared_ptr<Database> db) {
    return new AddressBook(std::move(db));
}

LPWABOBJECT NewWabObject() {
    return new WabObject();
}

}  // namespace wab
