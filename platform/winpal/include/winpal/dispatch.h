// Late-bound calls through IDispatch by dispatch id, the way a scripting host makes them:
// arguments in their natural order (reversed into DISPPARAMS here), property puts with the
// DISPID_PROPERTYPUT named argument, and For Each over a collection's _NewEnum.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include <winpal/oleauto.h>
#include <winpal/winpal.h>

namespace winpal {

// What a failed call reported: its result code and, when the object filled in an EXCEPINFO, its
// description.
struct DispatchFailure {
    HRESULT hr = S_OK;
    std::u16string description;
};

// Invokes `id` with `flags` (DISPATCH_METHOD, DISPATCH_PROPERTYGET or both) and `args`; the
// result goes to `result` when given. Returns the call's HRESULT, with details in `failure`.
HRESULT DispatchInvoke(IDispatch* object, DISPID id, WORD flags,
                       std::initializer_list<Variant> args, Variant* result,
                       DispatchFailure* failure = nullptr);

// Property get (with optional index arguments) and property put.
HRESULT DispatchGet(IDispatch* object, DISPID id, Variant* result,
                    std::initializer_list<Variant> args = {}, DispatchFailure* failure = nullptr);
HRESULT DispatchPut(IDispatch* object, DISPID id, const Variant& value,
                    DispatchFailure* failure = nullptr);

// Walks the collection's enumerator (_NewEnum, DISPID -4) and hands each item that is an
// automation object to `visit` until it answers false. Returns S_OK when the walk ran (however
// it ended), otherwise the failing call's HRESULT.
HRESULT DispatchForEach(IDispatch* collection, const std::function<bool(IDispatch* item)>& visit,
                        DispatchFailure* failure = nullptr);

// The automation object a variant holds (VT_DISPATCH, or VT_UNKNOWN that answers IDispatch), or
// null: Nothing.
ComPtr<IDispatch> DispatchOf(const Variant& value);

}  // namespace winpal
