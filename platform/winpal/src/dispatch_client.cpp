// Late-bound calls through IDispatch by dispatch id.
#include <vector>

#include <winpal/dispatch.h>

namespace winpal {

namespace {

bool IsPut(WORD flags) {
    return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
}

// The results for which Invoke names the offending argument through puArgErr.
bool NamesAnArgument(HRESULT hr) {
    return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_PARAMNOTFOUND ||
           hr == DISP_E_BADVARTYPE;
}

}  // namespace

HRESULT DispatchCall(IDispatch* object, DISPID id, WORD flags, const std::vector<Variant>& args,
                     Variant* result, EXCEPINFO* info, UINT* argErr) {
    if (!object)
        return E_POINTER;
    // Shallow copies, last argument first, as DISPPARAMS wants them.
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(*it->Ptr());
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = IsPut(flags) && !args.empty();
    DISPPARAMS params{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()),
                      put ? 1u : 0u};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                          result ? result->Ptr() : nullptr, info, argErr);
}

HRESULT DispatchInvoke(IDispatch* object, DISPID id, WORD flags, const std::vector<Variant>& args,
                       Variant* result, DispatchFailure* failure) {
    EXCEPINFO info{};
    UINT argErr = 0;
    // A put has no result; any other call gets a slot even when the caller does not want it.
    Variant ignored;
    Variant* slot = IsPut(flags) ? nullptr : result ? result : &ignored;
    const HRESULT invoked = DispatchCall(object, id, flags, args, slot, &info, &argErr);
    HRESULT hr = invoked;
    // An exception reported through EXCEPINFO carries the object's own error code.
    if (invoked == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        if (info.scode != 0)
            hr = info.scode;
    }
    if (failure) {
        failure->hr = hr;
        failure->invokeResult = invoked;
        failure->description.clear();
        if (invoked == DISP_E_EXCEPTION && info.bstrDescription)
            failure->description.assign(info.bstrDescription, SysStringLen(info.bstrDescription));
        failure->argument = NamesAnArgument(invoked) && argErr < args.size()
                                ? static_cast<int>(args.size() - 1 - argErr)
                                : -1;
    }
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return hr;
}

HRESULT DispatchGet(IDispatch* object, DISPID id, Variant* result, const std::vector<Variant>& args,
                    DispatchFailure* failure) {
    return DispatchInvoke(object, id, DISPATCH_PROPERTYGET, args, result, failure);
}

HRESULT DispatchPut(IDispatch* object, DISPID id, const Variant& value, DispatchFailure* failure) {
    return DispatchInvoke(object, id, DISPATCH_PROPERTYPUT, {value}, nullptr, failure);
}

HRESULT DispatchForEach(IDispatch* collection, const std::function<bool(IDispatch*)>& visit,
                        DispatchFailure* failure) {
    Variant enumerator;
    HRESULT hr = DispatchInvoke(collection, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                {}, &enumerator, failure);
    if (FAILED(hr))
        return hr;
    IUnknown* unknown = enumerator.Type() == VT_UNKNOWN || enumerator.Type() == VT_DISPATCH
                            ? enumerator.Ptr()->punkVal
                            : nullptr;
    ComPtr<IEnumVARIANT> items;
    if (!unknown)
        return E_NOINTERFACE;
    hr = unknown->QueryInterface(IID_IEnumVARIANT, items.PutVoid());
    if (FAILED(hr))
        return hr;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        hr = items->Next(1, item.Ptr(), &fetched);
        if (FAILED(hr))
            return hr;
        if (fetched == 0)
            return S_OK;
        ComPtr<IDispatch> object = DispatchOf(item);
        if (object && !visit(object.Get()))
            return S_OK;
    }
}

ComPtr<IDispatch> DispatchOf(const Variant& value) {
    const VARIANT* v = value.Ptr();
    if (v->vt == VT_DISPATCH)
        return ComPtr<IDispatch>::Share(v->pdispVal);
    ComPtr<IDispatch> object;
    if (v->vt == VT_UNKNOWN && v->punkVal) {
        v->punkVal->QueryInterface(IID_IDispatch, object.PutVoid());
    }
    return object;
}

}  // namespace winpal
