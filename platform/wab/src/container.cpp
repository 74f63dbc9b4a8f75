#include "container.h"

#include "allocator.h"
#include "com_object.h"
#include "contents_table.h"
#include "entry.h"

namespace wab {
namespace {

// The container's display name, as the address book shows its personal contacts.
constexpr char kContainerName[] = "Contacts";

class PabContainer final : public MapiProp<IABContainer> {
  public:
    explicit PabContainer(std::shared_ptr<Database> db) : db_(std::move(db)) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryAs(riid, ppv, {&IID_IMAPIProp, &IID_IMAPIContainer, &IID_IABContainer});
    }

    HRESULT GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
        if (!lppTable)
            return MAPI_E_INVALID_PARAMETER;
        return NewContentsTable(db_, ulFlags, lppTable);
    }
    HRESULT GetHierarchyTable(ULONG, LPMAPITABLE* lppTable) override {
        if (lppTable)
            *lppTable = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
        return wab::OpenEntry(db_, cbEntryID, lpEntryID, lpInterface, lpulObjType, lppUnk);
    }
    HRESULT SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
        return MAPI_E_NO_SUPPORT;
    }

    // A new, unsaved entry of the template's object type; SaveChanges stores it.
    HRESULT CreateEntry(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG,
                        LPMAPIPROP* lppMAPIPropEntry) override {
        if (!lppMAPIPropEntry)
            return MAPI_E_INVALID_PARAMETER;
        *lppMAPIPropEntry = nullptr;
        auto ref = ParseEntryId(cbEntryID, lpEntryID);
        if (!ref || ref->kind != EntryKind::Template)
            return MAPI_E_INVALID_ENTRYID;
        *lppMAPIPropEntry = NewEntryObject(EntryState(db_, ref->objectType));
        return S_OK;
    }

    HRESULT CopyEntries(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }

    // Deletes every listed entry of this address book; MAPI_W_PARTIAL_COMPLETION when some of
    // them were not found.
    HRESULT DeleteEntries(LPENTRYLIST lpEntries, ULONG) override {
        if (!lpEntries || (lpEntries->cValues > 0 && !lpEntries->lpbin))
            return MAPI_E_INVALID_PARAMETER;
        std::vector<std::int64_t> records;
        for (ULONG i = 0; i < lpEntries->cValues; ++i) {
            const SBinary& id = lpEntries->lpbin[i];
            auto ref = ParseEntryId(id.cb, reinterpret_cast<const ENTRYID*>(id.lpb));
            if (ref && ref->kind == EntryKind::Stored)
                records.push_back(ref->record);
        }
        ULONG deleted = 0;
        if (HRESULT hr = db_->Delete(records, &deleted); FAILED(hr))
            return hr;
        return deleted == lpEntries->cValues ? S_OK : MAPI_W_PARTIAL_COMPLETION;
    }

    HRESULT ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override {
        return MAPI_E_NO_SUPPORT;
    }

  protected:
    PropertyList Properties() override {
        return {
            {PR_ENTRYID, MakeEntryId(PabRef())},
            {PR_RECORD_KEY, MakeEntryId(PabRef())},
            {PR_OBJECT_TYPE, std::int64_t{MAPI_ABCONT}},
            {PR_DISPLAY_TYPE, std::int64_t{DT_NOT_SPECIFIC}},
            {PR_CONTAINER_FLAGS, std::int64_t{AB_RECIPIENTS | AB_MODIFIABLE}},
            TextProperty(PR_DISPLAY_NAME, kContainerName),
            {PR_DEF_CREATE_MAILUSER, MakeEntryId(TemplateRef(MAPI_MAILUSER))},
            {PR_DEF_CREATE_DL, MakeEntryId(TemplateRef(MAPI_DISTLIST))},
        };
    }

  private:
    std::shared_ptr<Database> db_;
};

}  // namespace

LPABCONT NewPabContainer(std::shared_ptr<Database> db) {
    return new PabContainer(std::move(db));
}

}  // namespace wab
