// An in-process server written only against the Windows API: one apartment-threaded class, the
// four library entry points, and registration of its own file as regsvr32 asks for it.
#include <string>

#include <windows.h>

#include <objbase.h>
#include <olectl.h>

#include "check_server.h"

namespace {

// Live objects (class objects included) and LockServer locks; DllCanUnloadNow needs both at 0.
LONG liveObjects = 0;
LONG serverLocks = 0;
// Objects of the class made since the library was loaded.
LONG madeSinceLoad = 0;

// Reference counting and QueryInterface for an object of the server that offers `Interface`
// (`iid`); it counts as live from construction to destruction.
template <class Interface, const IID& iid>
class ServerObject : public Interface {
  public:
    ServerObject() { ++liveObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid)) {
            *ppv = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    virtual ~ServerObject() { --liveObjects; }

  private:
    ULONG refs_ = 1;
};

class Counter final : public ServerObject<ICheckCounter, IID_ICheckCounter> {
  public:
    Counter() : serial_(++madeSinceLoad) {}
    LONG STDMETHODCALLTYPE Serial() override { return serial_; }

  private:
    LONG serial_;
};

class Factory final : public ServerObject<IClassFactory, IID_IClassFactory> {
  public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Counter* counter = new Counter;
        HRESULT result = counter->QueryInterface(riid, ppv);
        counter->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        serverLocks += lock ? 1 : -1;
        return S_OK;
    }
};

std::string ClsidText() {
    WCHAR wide[40];
    StringFromGUID2(CLSID_CheckCounter, wide, 40);
    char text[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// Sets the REG_SZ value `name` (null: the default value) of HKEY_CLASSES_ROOT\`path`.
bool SetClassesText(const std::string& path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_CheckCounter))
        return CLASS_E_CLASSNOTAVAILABLE;
    Factory* factory = new Factory;
    HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&DllCanUnloadNow), &self)) {
        return SELFREG_E_CLASS;
    }
    char file[MAX_PATH];
    DWORD length = GetModuleFileNameA(self, file, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return SELFREG_E_CLASS;
    const std::string classKey = "CLSID\\" + ClsidText();
    bool written =
        SetClassesText(classKey, nullptr, "Winapi check counter") &&
        SetClassesText(classKey + "\\InprocServer32", nullptr, file) &&
        SetClassesText(classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
        SetClassesText(classKey + "\\ProgID", nullptr, kCheckCounterProgId) &&
        SetClassesText(kCheckCounterProgId, nullptr, "Winapi check counter") &&
        SetClassesText(std::string(kCheckCounterProgId) + "\\CLSID", nullptr, ClsidText());
    return written ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    LONG classes = RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + ClsidText()).c_str());
    LONG progId = RegDeleteTreeA(HKEY_CLASSES_ROOT, kCheckCounterProgId);
    bool removed = (classes == ERROR_SUCCESS || classes == ERROR_FILE_NOT_FOUND) &&
                   (progId == ERROR_SUCCESS || progId == ERROR_FILE_NOT_FOUND);
    return removed ? S_OK : SELFREG_E_CLASS;
}
