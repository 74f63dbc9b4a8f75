#include "contacts/Contact.h"

#include "control/QuillboxIds.h"
#include "control/QuillboxTypeLib.h"

namespace {

template <ContactField F>
olectl::DispatchEntry FieldProperty() {
    return olectl::DispProperty<&CContact::Get<F>, olectl::SetNotSupported>(F + 1);
}

}  // namespace

const olectl::DispatchMap& CContact::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        FieldProperty<kName>(),
        FieldProperty<kEmail>(),
        FieldProperty<kBusinessPhone>(),
        FieldProperty<kHomePhone>(),
        FieldProperty<kHomeFax>(),
        FieldProperty<kBusinessFax>(),
        FieldProperty<kPager>(),
        FieldProperty<kMobile>(),
        FieldProperty<kPersonalWebPage>(),
        FieldProperty<kJobTitle>(),
        FieldProperty<kDepartment>(),
        FieldProperty<kOffice>(),
        FieldProperty<kCompanyName>(),
        FieldProperty<kBusinessWebPage>(),
    };
    return map;
}

const olectl::TypeInfo& CContact::GetDispatchInterface() const {
    return QuillboxInterface(DIID_IContact);
}
