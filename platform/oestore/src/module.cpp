// The library's entry points: the class object of CLSID_StoreNamespace, the unload test, and
// self-registration as an in-process server.
#include <string>
#include <vector>

#include <oestore/msoeapi.h>
#include <winpal/windows.h>
#include <winpal/winpal.h>

#include "module_lock.h"
#include "registry_key.h"
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

std::string ClassKeyPath() {
    OLECHAR text[40] = {};
    StringFromGUID2(CLSID_StoreNamespace, text, 40);
    return "CLSID\\" + winpal::Utf16ToUtf8(text);
}

// The full path of this library, as Windows gives a DLL from its instance handle.
std::string OwnPath() {
    std::vector<char> path(4096);
    const HMODULE self = winpal::ModuleFromAddress(reinterpret_cast<const void*>(&ClassKeyPath));
    const DWORD length = GetModuleFileNameA(self, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return {};
    return std::string(path.data(), length);
}

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
    return oestore::ModuleLock::Idle() ? S_OK : S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    const std::string path = oestore::OwnPath();
    if (path.empty())
        return SELFREG_E_CLASS;
    const auto classKey = oestore::RegistryKey::Create(HKEY_CLASSES_ROOT, oestore::ClassKeyPath());
    if (!classKey || !classKey->WriteText("", oestore::kClassDescription))
        return SELFREG_E_CLASS;
    const auto server = oestore::RegistryKey::Create(classKey->Get(), "InprocServer32");
    if (!server || !server->WriteText("", path) ||
        !server->WriteText("ThreadingModel", "Apartment")) {
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    const LONG result = RegDeleteTreeA(HKEY_CLASSES_ROOT, oestore::ClassKeyPath().c_str());
    return (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) ? S_OK : SELFREG_E_CLASS;
}

}  // extern "C"
