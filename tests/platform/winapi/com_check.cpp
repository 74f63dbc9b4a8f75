// Activation of the check server, which the run registered beforehand with regsvr32 (regsvr
// here): CoCreateInstance, the class object, DllCanUnloadNow and CoFreeUnusedLibraries.
#include <string>

#include <windows.h>

#include <objbase.h>

#include "check.h"
#include "check_server/check_server.h"

namespace {

ICheckCounter* Create() {
    ICheckCounter* counter = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_CheckCounter, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICheckCounter, reinterpret_cast<void**>(&counter));
    CHECK_EQ(hr, S_OK);
    return counter;
}

// The serial of a new object, released at once: 1 when the library was loaded for it.
LONG NextSerial() {
    ICheckCounter* counter = Create();
    if (!counter)
        return -1;
    LONG serial = counter->Serial();
    counter->Release();
    return serial;
}

// The library's file as regsvr32 registered it.
std::string RegisteredFile() {
    WCHAR wide[40];
    StringFromGUID2(CLSID_CheckCounter, wide, 40);
    char clsid[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, clsid, sizeof clsid, nullptr, nullptr);
    std::string path = std::string("CLSID\\") + clsid + "\\InprocServer32";
    char file[MAX_PATH] = {};
    DWORD size = sizeof file;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(file), &size);
    RegCloseKey(key);
    return file;
}

}  // namespace

CHECK_CASE(ComCreatesRegisteredServerObjects) {
    ICheckCounter* first = Create();
    ICheckCounter* second = Create();
    if (!first || !second)
        return;
    CHECK_EQ(first->Serial(), 1);
    CHECK_EQ(second->Serial(), 2);
    IUnknown* unknown = nullptr;
    CHECK_EQ(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    CHECK_EQ(unknown->Release(), 1u);
    void* dispatch = reinterpret_cast<void*>(1);
    CHECK_EQ(first->QueryInterface(IID_IDispatch, &dispatch), E_NOINTERFACE);
    CHECK_TRUE(dispatch == nullptr);
    // The class refuses aggregation; an unknown class and interface are refused by COM.
    void* object = reinterpret_cast<void*>(1);
    CHECK_EQ(
        CoCreateInstance(CLSID_CheckCounter, first, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        CLASS_E_NOAGGREGATION);
    CHECK_TRUE(object == nullptr);
    CHECK_EQ(
        CoCreateInstance(IID_ICheckCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        REGDB_E_CLASSNOTREG);
    CHECK_EQ(
        CoCreateInstance(CLSID_CheckCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
        E_NOINTERFACE);
    CLSID fromProgId{};
    WCHAR progId[32] = {};
    MultiByteToWideChar(CP_ACP, 0, kCheckCounterProgId, -1, progId, 32);
    CHECK_EQ(CLSIDFromProgID(progId, &fromProgId), S_OK);
    CHECK_TRUE(IsEqualCLSID(fromProgId, CLSID_CheckCounter));
    CHECK_EQ(second->Release(), 0u);
    CHECK_EQ(first->Release(), 0u);
}

CHECK_CASE(ComUnloadsOnlyWhatCanUnloadNow) {
    // Nothing alive: the library goes, and the next object is the first of a new load.
    CoFreeUnusedLibraries();
    CHECK_EQ(NextSerial(), 1);
    CoFreeUnusedLibraries();
    CHECK_EQ(NextSerial(), 1);
    // A live object keeps it.
    CoFreeUnusedLibraries();
    ICheckCounter* alive = Create();
    if (!alive)
        return;
    CoFreeUnusedLibraries();
    CHECK_EQ(NextSerial(), 2);
    alive->Release();
    CoFreeUnusedLibraries();
    CHECK_EQ(NextSerial(), 1);
    // So does a lock on its class object, after the class object itself is gone.
    IClassFactory* factory = nullptr;
    CHECK_EQ(CoGetClassObject(CLSID_CheckCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                              reinterpret_cast<void**>(&factory)),
             S_OK);
    if (!factory)
        return;
    CHECK_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    CoFreeUnusedLibraries();
    CHECK_EQ(NextSerial(), 2);
    CHECK_EQ(CoGetClassObject(CLSID_CheckCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                              reinterpret_cast<void**>(&factory)),
             S_OK);
    CHECK_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    CoFreeUnusedLibraries();
    CHECK_EQ(NextSerial(), 1);
}

CHECK_CASE(ComServerAnswersDllCanUnloadNow) {
    const std::string file = RegisteredFile();
    CHECK_TRUE(!file.empty());
    HMODULE library = LoadLibraryA(file.c_str());
    CHECK_TRUE(library != nullptr);
    if (!library)
        return;
    // Through void*, as the exported function's type is not FARPROC's.
    auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    CHECK_TRUE(canUnloadNow != nullptr);
    if (canUnloadNow) {
        CHECK_EQ(canUnloadNow(), S_OK);
        ICheckCounter* alive = Create();
        CHECK_EQ(canUnloadNow(), S_FALSE);
        if (alive)
            alive->Release();
        CHECK_EQ(canUnloadNow(), S_OK);
    }
    CHECK_EQ(FreeLibrary(library), TRUE);
}
