// Class factories and the standard bodies of a library's entry points.
#include <olectl/factory.h>

#include <new>

#include <olectl/registration.h>

namespace olectl {
namespace {

// The module's factories, most recently constructed first.
COleObjectFactory*& FactoryList() {
    static COleObjectFactory* head = nullptr;
    return head;
}

}  // namespace

COleObjectFactory::COleObjectFactory(const CLSID& clsid, const char* progId, Creator create,
                                     RegistryUpdater updateRegistry)
    : clsid_(clsid), progId_(progId), create_(create), updateRegistry_(updateRegistry) {
    next_ = FactoryList();
    FactoryList() = this;
}

COleObjectFactory::~COleObjectFactory() {
    for (COleObjectFactory** link = &FactoryList(); *link; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            break;
        }
    }
}

HRESULT COleObjectFactory::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (COleObjectFactory* factory = FactoryList(); factory; factory = factory->next_) {
        if (IsEqualCLSID(factory->clsid_, clsid))
            return factory->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

bool COleObjectFactory::UpdateRegistryAll(bool bRegister) {
    for (COleObjectFactory* factory = FactoryList(); factory; factory = factory->next_) {
        if (!factory->UpdateRegistry(bRegister))
            return false;
    }
    return true;
}

bool COleObjectFactory::AnyReferenced() {
    for (COleObjectFactory* factory = FactoryList(); factory; factory = factory->next_) {
        if (factory->refs_ > 0)
            return true;
    }
    return false;
}

HRESULT COleObjectFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT COleObjectFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    try {
        return create_(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT COleObjectFactory::LockServer(BOOL lock) {
    AfxOleLockServer(lock != FALSE);
    return S_OK;
}

HRESULT AfxDllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    return COleObjectFactory::GetClassObject(clsid, riid, ppv);
}

HRESULT AfxDllRegisterServer(REFGUID tlid) {
    if (!AfxOleRegisterTypeLib(AfxGetInstanceHandle(), tlid))
        return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(true))
        return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT AfxDllUnregisterServer(REFGUID tlid, WORD majorVersion, WORD minorVersion) {
    if (!AfxOleUnregisterTypeLib(tlid, majorVersion, minorVersion))
        return SELFREG_E_TYPELIB;
    if (!COleObjectFactory::UpdateRegistryAll(false))
        return SELFREG_E_CLASS;
    return S_OK;
}

}  // namespace olectl
