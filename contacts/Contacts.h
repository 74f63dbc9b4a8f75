// CContacts: the contacts of the address book (interface IContacts). The address-book
// connection that fills it is not part of the library yet, so the collection is never linked
// and holds no contacts: Count is 0, Item gives Nothing and enumeration ends at once.
#pragma once

#include <olectl/object.h>

#include "control/XEnumVariant.h"

class CContacts : public olectl::CCmdTarget, public EnumerableCollection {
  public:
    LONG GetCount() { return 0; }
    IDispatch* GetItem(const VARIANT& key);
    IUnknown* GetNewEnum();

    IDispatch* CollectionDispatch() override { return this; }
    std::vector<winpal::ComPtr<IDispatch>> ItemSnapshot() override { return {}; }

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;
};
