// Late-bound calls through IDispatch by dispatch id.
#include <vector>

#include <winpal/dispatch.h>

namespace winpal {

namespace {

HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT>& reversedArgs,
               DISPID* namedArgs, UINT namedCount, Variant* result, DispatchFailure* failure) {
    if (!object)
        return E_POINTER;
    DISPPARAMS params{reversedArgs.data(), namedArgs, static_cast<UINT>(reversedArgs.size()),
                      namedCount};
    EXCEPINFO info{};
    UINT argErr = 0;
    Variant ignored;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                result ? result->Ptr() : ignored.Ptr(), &info, &argErr);
    // An exception reported through EXCEPINFO carries the object's own error code.
    if (hr == DISP_E_EXCEPTION && info.scode != 0) hr = info.scode;
    if (failure) {
        failure->hr = hr;
        failure->description.assign(info.bstrDescription ? info.bstrDescription : u"",
                                    SysStringLen(info.bstrDescription));
    }
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return hr;
}

// The arguments as DISPPARAMS wants them: shallow copies, last argument first.
std::vector<VARIANT> Reversed(std::initializer_list<Variant> args) {
    std::vector<VARIANT> reversed;
    reversed.reserve(args.size());
    for (auto it = args.end(); it != args.begin();)
        reversed.push_back(*(--it)->Ptr());
    return reversed;
}

}  // namespace

HRESULT DispatchInvoke(IDispatch* object, DISPID id, WORD flags,
                       std::initializer_list<Variant> args, Variant* result,
                       DispatchFailure* failure) {
    std::vector<VARIANT> reversed = Reversed(args);
    return Invoke(object, id, flags, reversed, nullptr, 0, result, failure);
}

HRESULT DispatchGet(IDispatch* object, DISPID id, Variant* result,
                    std::initializer_list<Variant> args, DispatchFailure* failure) {
    return DispatchInvoke(object, id, DISPATCH_PROPERTYGET, args, result, failure);
}

HRESULT DispatchPut(IDispatch* object, DISPID id, const Variant& value, DispatchFailure* failure) {
    std::vector<VARIANT> args{*value.Ptr()};
    DISPID named = DISPID_PROPERTYPUT;
    return Invoke(object, id, DISPATCH_PROPERTYPUT, args, &named, 1, nullptr, failure);
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
