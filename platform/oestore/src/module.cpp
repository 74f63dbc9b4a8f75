// The library's entry points: the class object of CLSID_StoreNamespace, the unload test, and
// self-registration as an in-process server.
#include <new>

#include <mimeole/mimeole.h>
#include <oestore/msoeapi.h>
#include <winpal/class_registration.h>
#include <winpal/windows.h>
#include <winpal/winpal.h>

#include "module_lock.h"
#include "store_namespace.h"

namespace oestore {
namespace {

constexpr char kClassDescription[] = "Outlook Express store namespace";

class StoreNamespaceFactory final : public IClassFactory {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static object; its references hold the module instead.
    ULONG AddRef() override {
        ModuleLock::Add();
        return 2;
    }
    ULONG Release() override {
        ModuleLock::Remove();
        return 1;
    }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) StoreNamespace();
        if (!object)
            return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL fLock) override {
        if (fLock) {
            ModuleLock::Add();
        } else {
            ModuleLock::Remove();
        }
        return S_OK;
    }
};

StoreNamespaceFactory factory;

}  // namespace
}  // namespace oestore

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid,
                                                                 LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(rclsid == CLSID_StoreNamespace))
        return CLASS_E_CLASSNOTAVAILABLE;
    return oestore::factory.QueryInterface(riid, ppv);
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    // A message handed out by OpenMessage(IID_IMimeMessage) runs this library's code too.
    return oestore::ModuleLock::Idle() && MimeOleLiveObjects() == 0 ? S_OK : S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    const HMODULE self = winpal::ModuleFromAddress(&oestore::factory);
    return winpal::RegisterInprocServer(
               self, {CLSID_StoreNamespace, oestore::kClassDescription, "Apartment"})
               ? S_OK
               : SELFREG_E_CLASS;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    return winpal::UnregisterInprocServer(CLSID_StoreNamespace) ? S_OK : SELFREG_E_CLASS;
}

}  // extern "C"
