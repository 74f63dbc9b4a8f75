// A small in-process server for the activation and regsvr tests: one class that refuses
// aggregation, the four library entry points, and self-registration under its own path.
#include <atomic>
#include <new>

#include <winpal/class_registration.h>
#include <winpal/com.h>
#include <winpal/winpal.h>

#include "test_server.h"

namespace {

// Live objects (class objects included) and LockServer locks; DllCanUnloadNow needs both at 0.
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

// Reference counting and QueryInterface for an object of the server that offers `Interface`
// (`iid`); it counts as live from construction to destruction.
template <class Interface, const IID& iid>
class ServerObject : public Interface {
  public:
    ServerObject() { ++liveObjects; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == iid) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    virtual ~ServerObject() { --liveObjects; }

  private:
    std::atomic<ULONG> refs_{1};
};

class TestObject final : public ServerObject<ITestObject, IID_ITestObject> {
  public:
    LONG Origin() override { return kTestServerOrigin; }
    LONG Add(LONG a, LONG b) override { return a + b; }
};

class TestFactory final : public ServerObject<IClassFactory, IID_IClassFactory> {
  public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) TestObject;
        if (!object)
            return E_OUTOFMEMORY;
        HRESULT result = object->QueryInterface(riid, ppv);
        object->Release();
        return result;
    }
    HRESULT LockServer(BOOL lock) override {
        serverLocks += lock ? 1 : -1;
        return S_OK;
    }
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_WinpalTestObject)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) TestFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    const HMODULE self =
        winpal::ModuleFromAddress(reinterpret_cast<const void*>(&DllRegisterServer));
    return winpal::RegisterInprocServer(
               self, {CLSID_WinpalTestObject, "Winpal test object", nullptr, kTestObjectProgId})
               ? S_OK
               : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    return winpal::UnregisterInprocServer(CLSID_WinpalTestObject, kTestObjectProgId)
               ? S_OK
               : SELFREG_E_CLASS;
}
