// Class factories (COleObjectFactory) and the library entry points built on them. A library
// defines one static factory per creatable class; the factories of a library form its list,
// which DllGetClassObject searches and DllRegisterServer walks.
#pragma once

#include <winpal/com.h>

#include <olectl/module.h>

namespace olectl {

class COleObjectFactory : public IClassFactory {
  public:
    // Makes a new object and answers the interface `riid` of it.
    using Creator = HRESULT (*)(REFIID riid, void** ppv);
    // Writes (bRegister true) or removes the class's registry entries.
    using RegistryUpdater = bool (*)(const COleObjectFactory& factory, bool bRegister);

    COleObjectFactory(const CLSID& clsid, const char* progId, Creator create,
                      RegistryUpdater updateRegistry);
    ~COleObjectFactory();
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;

    const CLSID& Clsid() const { return clsid_; }
    const char* ProgId() const { return progId_; }
    bool UpdateRegistry(bool bRegister) const { return updateRegistry_(*this, bRegister); }

    // Over every factory of the module: DllGetClassObject's lookup, and registration.
    static HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
    static bool UpdateRegistryAll(bool bRegister);
    // True while a caller holds a reference to any factory of the module.
    static bool AnyReferenced();

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    // The factory lives as long as its library; references only keep the library loaded.
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL lock) override;

  private:
    CLSID clsid_;
    const char* progId_;
    Creator create_;
    RegistryUpdater updateRegistry_;
    ULONG refs_ = 0;
    COleObjectFactory* next_ = nullptr;
};

// A Creator for class T (default-constructed, one reference owned by the maker).
template <class T>
HRESULT CreateObject(REFIID riid, void** ppv) {
    T* object = new T();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

// The standard bodies of a library's entry points.
HRESULT AfxDllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv);
// Registers the type library `tlid` from the module's TYPELIB resource 1, then every class
// factory: SELFREG_E_TYPELIB when the first fails (and no class is registered), SELFREG_E_CLASS
// when the second does, S_OK otherwise.
HRESULT AfxDllRegisterServer(REFGUID tlid);
// Unregisters the type library, then every class factory, with the same results.
HRESULT AfxDllUnregisterServer(REFGUID tlid, WORD majorVersion, WORD minorVersion);

}  // namespace olectl
