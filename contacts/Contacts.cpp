#include "contacts/Contacts.h"

#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"

const olectl::DispatchMap& CContacts::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&CContacts::GetCount>(1),
        olectl::DispProperty<&CContacts::GetItem>(21),
        olectl::DispProperty<&CContacts::GetNewEnum>(DISPID_NEWENUM),
    };
    return map;
}

const olectl::TypeInfo& CContacts::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IContacts);
}

// With no contacts listed, no key names or numbers one.
IDispatch* CContacts::GetItem(const VARIANT&) {
    return nullptr;
}

IUnknown* CContacts::GetNewEnum() {
    return NewEnum(*this);
}
