// CoGetClassObject and CoCreateInstance: class objects registered in this process first, then
// the in-process server that the registry names.
#include <winpal/com.h>

#include "com_class_table.h"
#include "com_inproc_server.h"

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) {
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (IUnknown* registered = winpal::detail::FindRegisteredClassObject(rclsid, dwClsContext)) {
        HRESULT result = registered->QueryInterface(riid, ppv);
        registered->Release();
        return result;
    }
    // Only in-process servers exist here: other contexts find no registration.
    if (!(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    return winpal::detail::GetInprocClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT result = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory));
    if (FAILED(result))
        return result;
    result = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    if (FAILED(result))
        *ppv = nullptr;
    return result;
}
