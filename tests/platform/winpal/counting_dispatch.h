// A small IDispatch for the OLE Automation tests: it counts its references and the calls of its
// default member, which answers a copy of `value` (or itself, or a failure).
#pragma once

#include <winpal/oleauto.h>

namespace testsupport {

class CountingDispatch final : public IDispatch {
  public:
    CountingDispatch() { VariantInit(&value); }
    ~CountingDispatch() { VariantClear(&value); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        bool known = riid == IID_IUnknown || (riid == IID_IDispatch && answersDispatch);
        *ppv = known ? this : nullptr;
        if (!known)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // the test owns the object
    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO*, UINT*) override {
        ++invokes;
        if (member != DISPID_VALUE || flags != DISPATCH_PROPERTYGET || params->cArgs != 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (FAILED(invokeResult))
            return invokeResult;
        if (returnsItself) {
            AddRef();
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
            return S_OK;
        }
        return VariantCopy(result, &value);
    }

    ULONG refs = 1;
    int invokes = 0;
    VARIANT value;
    HRESULT invokeResult = S_OK;
    bool returnsItself = false;
    bool answersDispatch = true;
};

}  // namespace testsupport
