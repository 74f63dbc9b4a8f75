#include "entry.h"

#include <algorithm>

#include <winpal/winpal.h>

#include "allocator.h"
#include "com_object.h"
#include "container.h"

namespace wab {
namespace {

bool IsComputed(ULONG propId) {
    for (ULONG tag : {PR_ENTRYID, PR_RECORD_KEY, PR_INSTANCE_KEY, PR_OBJECT_TYPE, PR_DISPLAY_TYPE})
        if (PROP_ID(tag) == propId)
            return true;
    return false;
}

// An object over one entry: IMAPIProp over its EntryState.
template <class Interface>
class EntryObject : public MapiProp<Interface> {
  public:
    explicit EntryObject(EntryState state) : state_(std::move(state)) {}
    HRESULT SaveChanges(ULONG) override { return state_.SaveChanges(); }
    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray,
                     LPSPropProblemArray* lppProblems) override {
        return state_.SetProps(cValues, lpPropArray, lppProblems);
    }
    HRESULT DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* lppProblems) override {
        return state_.DeleteProps(tags, lppProblems);
    }
    EntryState& State() { return state_; }

  protected:
    PropertyList Properties() override { return state_.Properties(); }
    EntryState state_;
};

// The object types' interfaces: a mail user answers IMailUser, a distribution list IDistList.
class MailUser final : public EntryObject<IMailUser> {
  public:
    using EntryObject::EntryObject;
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryAs(riid, ppv, {&IID_IMAPIProp, &IID_IMailUser});
    }
};

class DistList final : public EntryObject<IDistList> {
  public:
    using EntryObject::EntryObject;
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryAs(riid, ppv, {&IID_IMAPIProp, &IID_IMAPIContainer, &IID_IDistList});
    }
    // The members are kept in PR_WAB_DL_ENTRIES; listing and changing them through the
    // container methods is not offered.
    HRESULT GetContentsTable(ULONG, LPMAPITABLE* lppTable) override { return NoTable(lppTable); }
    HRESULT GetHierarchyTable(ULONG, LPMAPITABLE* lppTable) override { return NoTable(lppTable); }
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
        if (cbEntryID == 0 || !lpEntryID) {
            if (lppUnk)
                *lppUnk = nullptr;
            return MAPI_E_INVALID_ENTRYID;
        }
        return wab::OpenEntry(state_.Db(), cbEntryID, lpEntryID, lpInterface, lpulObjType, lppUnk);
    }
    HRESULT SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CreateEntry(ULONG, LPENTRYID, ULONG, LPMAPIPROP* lppMAPIPropEntry) override {
        if (lppMAPIPropEntry)
            *lppMAPIPropEntry = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CopyEntries(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT DeleteEntries(LPENTRYLIST, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT ResolveNames(LPSPropTagArray, ULONG, LPADRLIST, LPFlagList) override {
        return MAPI_E_NO_SUPPORT;
    }

  private:
    static HRESULT NoTable(LPMAPITABLE* table) {
        if (table)
            *table = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
};

}  // namespace

EntryState::EntryState(std::shared_ptr<Database> db, StoredEntry stored)
    : db_(std::move(db)),
      objectType_(stored.objectType),
      record_(stored.record),
      props_(std::move(stored.props)) {}

EntryState::EntryState(const OneOff& oneOff, std::string entryId)
    : objectType_(MAPI_MAILUSER), readOnly_(true), oneOffId_(std::move(entryId)) {
    props_.push_back(TextProperty(PR_DISPLAY_NAME, oneOff.displayName));
    props_.push_back(TextProperty(PR_ADDRTYPE, oneOff.addressType));
    props_.push_back(TextProperty(PR_EMAIL_ADDRESS, oneOff.address));
}

std::string EntryState::EntryId() const {
    if (readOnly_)
        return oneOffId_;
    return record_ ? MakeEntryId(StoredRef(objectType_, record_)) : std::string();
}

PropertyList EntryState::Properties() const {
    PropertyList list = props_;
    AppendIdentity(list, objectType_, EntryId());
    return list;
}

void AppendIdentity(PropertyList& list, ULONG objectType, const std::string& entryId) {
    if (!entryId.empty()) {
        list.emplace_back(PR_ENTRYID, entryId);
        list.emplace_back(PR_RECORD_KEY, entryId);
    }
    list.emplace_back(PR_OBJECT_TYPE, std::int64_t{objectType});
    list.emplace_back(
        PR_DISPLAY_TYPE,
        std::int64_t{objectType == MAPI_DISTLIST ? DT_PRIVATE_DISTLIST : DT_MAILUSER});
}

void EntryState::MarkChanged(ULONG propId) {
    std::erase(removedIds_, propId);
    if (std::find(changedIds_.begin(), changedIds_.end(), propId) == changedIds_.end())
        changedIds_.push_back(propId);
}

HRESULT EntryState::SetProps(ULONG cValues, LPSPropValue lpPropArray,
                             LPSPropProblemArray* lppProblems) {
    if (lppProblems)
        *lppProblems = nullptr;
    if (cValues > 0 && !lpPropArray)
        return MAPI_E_INVALID_PARAMETER;
    if (readOnly_)
        return MAPI_E_NO_ACCESS;
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& value = lpPropArray[i];
        Property property;
        if (IsComputed(PROP_ID(value.ulPropTag))) {
            problems.push_back({i, value.ulPropTag, MAPI_E_COMPUTED});
        } else if (!PropertyFromValue(value, &property)) {
            problems.push_back({i, value.ulPropTag, MAPI_E_INVALID_TYPE});
        } else {
            MarkChanged(PROP_ID(property.tag));
            SetProperty(props_, std::move(property));
        }
    }
    return lppProblems ? HandOutProblems(problems, lppProblems) : S_OK;
}

HRESULT EntryState::DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* lppProblems) {
    if (lppProblems)
        *lppProblems = nullptr;
    if (!tags)
        return MAPI_E_INVALID_PARAMETER;
    if (readOnly_)
        return MAPI_E_NO_ACCESS;
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < tags->cValues; ++i) {
        const ULONG id = PROP_ID(tags->aulPropTag[i]);
        if (IsComputed(id)) {
            problems.push_back({i, tags->aulPropTag[i], MAPI_E_COMPUTED});
        } else if (RemoveProperty(props_, id)) {
            std::erase(changedIds_, id);
            removedIds_.push_back(id);
        }
    }
    return lppProblems ? HandOutProblems(problems, lppProblems) : S_OK;
}

HRESULT EntryState::SaveChanges() {
    if (readOnly_ || !db_)
        return MAPI_E_NO_ACCESS;
    HRESULT hr;
    if (record_ == 0) {
        hr = db_->Insert(objectType_, props_, &record_);
    } else {
        PropertyList changed;
        for (ULONG id : changedIds_) {
            if (const Property* p = FindProperty(props_, id))
                changed.push_back(*p);
        }
        hr = db_->Update(record_, changed, removedIds_);
    }
    if (SUCCEEDED(hr)) {
        changedIds_.clear();
        removedIds_.clear();
    }
    return hr;
}

LPMAPIPROP NewEntryObject(EntryState state) {
    if (state.ObjectType() == MAPI_DISTLIST)
        return new DistList(std::move(state));
    return new MailUser(std::move(state));
}

EntryState* StateOf(IUnknown* object) {
    if (auto* user = dynamic_cast<EntryObject<IMailUser>*>(object))
        return &user->State();
    if (auto* list = dynamic_cast<EntryObject<IDistList>*>(object))
        return &list->State();
    return nullptr;
}

HRESULT HandOutProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* out) {
    *out = nullptr;
    if (problems.empty())
        return S_OK;
    LPVOID block = nullptr;
    if (FAILED(AllocateBuffer(static_cast<ULONG>(CbNewSPropProblemArray(problems.size())), &block)))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* array = static_cast<LPSPropProblemArray>(block);
    array->cProblem = static_cast<ULONG>(problems.size());
    std::copy(problems.begin(), problems.end(), array->aProblem);
    *out = array;
    return S_OK;
}

HRESULT OpenEntry(const std::shared_ptr<Database>& db, ULONG cbEntryID, LPENTRYID lpEntryID,
                  LPCIID lpInterface, ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
    if (!lpulObjType || !lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    *lpulObjType = 0;
    IUnknown* object = nullptr;
    ULONG type = 0;
    if (cbEntryID == 0 || !lpEntryID) {
        object = NewPabContainer(db);
        type = MAPI_ABCONT;
    } else if (auto ref = ParseEntryId(cbEntryID, lpEntryID)) {
        if (ref->kind == EntryKind::Container) {
            object = NewPabContainer(db);
            type = MAPI_ABCONT;
        } else if (ref->kind == EntryKind::Template) {
            return MAPI_E_NO_SUPPORT;
        } else {
            StoredEntry stored;
            if (HRESULT hr = db->Load(ref->record, &stored); FAILED(hr))
                return hr;
            type = stored.objectType;
            object = NewEntryObject(EntryState(db, std::move(stored)));
        }
    } else if (auto oneOff = ParseOneOffId(cbEntryID, lpEntryID)) {
        object = NewEntryObject(
            EntryState(*oneOff, std::string(reinterpret_cast<const char*>(lpEntryID), cbEntryID)));
        type = MAPI_MAILUSER;
    } else {
        return MAPI_E_UNKNOWN_ENTRYID;
    }
    HRESULT hr = S_OK;
    if (lpInterface) {
        hr = object->QueryInterface(*lpInterface, reinterpret_cast<void**>(lppUnk));
        object->Release();
        if (FAILED(hr))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
    } else {
        *lppUnk = object;
    }
    *lpulObjType = type;
    return hr;
}

}  // namespace wab
