// A small in-process server for the activation and regsvr tests: one class that refuses
// aggregation, the four library entry points, and self-registration under its own path.
#include <atomic>
#include <new>
#include <string>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "test_server.h"

namespace {

// Live objects (class objects included) and LockServer locks; DllCanUnloadNow needs both at 0.
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

const char kClassKey[] = "CLSID\\{6A1C3E52-9B0D-4F27-8E44-2D5B7C19A3F0}";

class TestObject final : public ITestObject {
  public:
    TestObject() { ++liveObjects; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ITestObject) {
            *ppv = static_cast<ITestObject*>(this);
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
    LONG Origin() override { return kTestServerOrigin; }
    LONG Add(LONG a, LONG b) override { return a + b; }

  private:
    ~TestObject() { --liveObjects; }
    std::atomic<ULONG> refs_{1};
};

class TestFactory final : public IClassFactory {
  public:
    TestFactory() { ++liveObjects; }

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
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
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

  private:
    ~TestFactory() { --liveObjects; }
    std::atomic<ULONG> refs_{1};
};

bool SetDefault(const std::string& subKey, const std::string& value) {
    return RegSetValueA(HKEY_CLASSES_ROOT, subKey.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

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
    char path[4096];
    HMODULE self = winpal::ModuleFromAddress(reinterpret_cast<const void*>(&DllRegisterServer));
    DWORD length = GetModuleFileNameA(self, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return SELFREG_E_CLASS;
    const std::string classKey = kClassKey;
    const std::string clsidText = classKey.substr(6);  // after "CLSID\"
    bool ok = SetDefault(classKey, "Winpal test object") &&
              SetDefault(classKey + "\\InprocServer32", std::string(path, length)) &&
              SetDefault(classKey + "\\ProgID", kTestObjectProgId) &&
              SetDefault(std::string(kTestObjectProgId) + "\\CLSID", clsidText);
    return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kTestObjectProgId);
    return S_OK;
}
