// The test programs' class factories for the sample classes, registered as the classes of a
// library are.
#include "sample_factories.h"

#include <olectl/registration.h>

namespace sample {

int registryUpdates = 0;
bool failClassRegistration = false;

namespace {

bool UpdateControlRegistry(const olectl::COleObjectFactory& factory, bool bRegister) {
    ++registryUpdates;
    if (failClassRegistration)
        return false;
    if (!bRegister)
        return olectl::AfxOleUnregisterClass(factory.Clsid(), factory.ProgId());
    return olectl::AfxOleRegisterControlClass(
        olectl::AfxGetInstanceHandle(), factory.Clsid(), factory.ProgId(), 1, 1,
        olectl::afxRegApartmentThreading, 0x20191, LIBID_Sample, 1, 2);
}

bool UpdatePageRegistry(const olectl::COleObjectFactory& factory, bool bRegister) {
    ++registryUpdates;
    if (!bRegister)
        return olectl::AfxOleUnregisterClass(factory.Clsid(), nullptr);
    return olectl::AfxOleRegisterPropertyPageClass(olectl::AfxGetInstanceHandle(), factory.Clsid(),
                                                   2, olectl::afxRegApartmentThreading);
}

olectl::COleObjectFactory controlFactory(CLSID_SampleControl, "SAMPLE.SampleCtrl.1",
                                         &olectl::CreateObject<SampleControl>,
                                         &UpdateControlRegistry);
olectl::COleObjectFactory pageFactory(CLSID_SamplePage, "SAMPLE.SamplePage.1",
                                      &olectl::CreateObject<SamplePage>, &UpdatePageRegistry);

}  // namespace
}  // namespace sample
