// Mail users and distribution lists: objects over one entry of the address book. A new entry
// (CreateEntry) and every change (SetProps, DeleteProps) stay in the object until SaveChanges
// stores them in one transaction; only the properties that changed are written, so that
// another process's changes to other properties of the same entry are kept.
#pragma once

#include <memory>
#include <vector>

#include "database.h"
#include "entry_id.h"

namespace wab {

// What an entry object holds, shared by the mail-user and distribution-list classes.
class EntryState {
  public:
    EntryState(std::shared_ptr<Database> db, ULONG objectType)
        : db_(std::move(db)), objectType_(objectType) {}
    // An entry read from the database.
    EntryState(std::shared_ptr<Database> db, StoredEntry stored);
    // A one-off address: read-only.
    explicit EntryState(const OneOff& oneOff, std::string entryId);

    PropertyList Properties() const;
    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems);
    HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems);
    HRESULT SaveChanges();

    ULONG ObjectType() const { return objectType_; }
    // The stored properties (no computed ones).
    const PropertyList& Stored() const { return props_; }
    std::string EntryId() const;
    const std::shared_ptr<Database>& Db() const { return db_; }

  private:
    void MarkChanged(ULONG propId);
    std::shared_ptr<Database> db_;
    ULONG objectType_;
    std::int64_t record_ = 0;
    PropertyList props_;
    std::vector<ULONG> changedIds_;
    std::vector<ULONG> removedIds_;
    bool readOnly_ = false;
    std::string oneOffId_;
};

// A new object of the interface that suits `state`'s object type (IMailUser or IDistList),
// with one reference, as IMAPIProp.
LPMAPIPROP NewEntryObject(EntryState state);
// The state of an entry object made by NewEntryObject; null for any other object.
EntryState* StateOf(IUnknown* object);

// IAddrBook::OpenEntry and IABContainer::OpenEntry: the container for a null or empty id or the
// container's own, a mail user or distribution list for a stored entry's id, a read-only mail
// user for a one-off id.
HRESULT OpenEntry(const std::shared_ptr<Database>& db, ULONG cbEntryID, LPENTRYID lpEntryID,
                  LPCIID lpInterface, ULONG* lpulObjType, LPUNKNOWN* lppUnk);

// Adds the properties every entry has without storing them: PR_ENTRYID and PR_RECORD_KEY (when
// it has an id), PR_OBJECT_TYPE and PR_DISPLAY_TYPE.
void AppendIdentity(PropertyList& list, ULONG objectType, const std::string& entryId);

// Problems handed out by SetProps and DeleteProps.
HRESULT HandOutProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* out);

}  // namespace wab
