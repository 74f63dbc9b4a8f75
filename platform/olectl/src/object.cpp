// CCmdTarget: reference counting, interface lookup and IDispatch for framework objects.
#include <olectl/object.h>

namespace olectl {

HRESULT CCmdTarget::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    void* found = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, GetDispatchInterface().guid)) {
        found = static_cast<IDispatch*>(this);
    } else {
        found = GetInterface(riid);
    }
    *ppv = found;
    if (!found)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CCmdTarget::Release() {
    ULONG remaining = refs_.Drop();
    if (remaining == 0)
        delete this;
    return remaining;
}

HRESULT CCmdTarget::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT CCmdTarget::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CCmdTarget::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return olectl::GetIDsOfNames(GetDispatchInterface(), riid, names, count, ids);
}

HRESULT CCmdTarget::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    // The caller's reference may be the last one the member gives up (a collection whose owner
    // lets go of it during the call); hold one of our own for the call's length.
    AddRef();
    HRESULT hr =
        olectl::Invoke(GetDispatchMap(), this, id, riid, flags, params, result, excepInfo, argErr);
    Release();
    return hr;
}

void* CCmdTarget::GetInterface(REFIID) {
    return nullptr;
}

}  // namespace olectl
