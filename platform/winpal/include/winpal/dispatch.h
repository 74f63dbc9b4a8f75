// Late-bound calls through IDispatch by dispatch id, the way a scripting host makes them:
// arguments in their natural order (reversed into DISPPARAMS here), property puts with the
// DISPID_PROPERTYPUT named argument, and For Each over a collection's _NewEnum.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <winpal/oleauto.h>
#include <winpal/winpal.h>

namespace winpal {

// What a failed call reported.
struct DispatchFailure {
    // The error: for an exception (DISP_E_EXCEPTION) the code the object raised, otherwise the
    // result of Invoke.
    HRESULT hr = S_OK;
    // What Invoke itself returned.
    HRESULT invokeResult = S_OK;
    // The object's description of an exception, when it gave one.
    std::u16string description;
    // The position, in call order, of the argument Invoke named as unusable (a type mismatch,
    // an overflow, a missing parameter or a bad type); -1 when there is none.
    int argument = -1;
};

// One Invoke exactly as asked: `args` in natural order (reversed into DISPPARAMS); for a property
// put (DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF) the last argument is the value, named
// DISPID_PROPERTYPUT. `result`, `info` and `argErr` reach Invoke as they are (each may be null),
// and the result is Invoke's own; the caller frees what `info` receives.
HRESULT DispatchCall(IDispatch* object, DISPID id, WORD flags, const std::vector<Variant>& args,
                     Variant* result = nullptr, EXCEPINFO* info = nullptr, UINT* argErr = nullptr);

// Invokes `id` with `flags` (DISPATCH_METHOD, DISPATCH_PROPERTYGET or both, or a put) and `args`;
// the result goes to `result` when given. Returns the error as DispatchFailure::hr has it, with
// the details in `failure`.
HRESULT DispatchInvoke(IDispatch* object, DISPID id, WORD flags, const std::vector<Variant>& args,
                       Variant* result, DispatchFailure* failure = nullptr);

// Property get (with optional index arguments) and property put.
HRESULT DispatchGet(IDispatch* object, DISPID id, Variant* result,
                    const std::vector<Variant>& args = {}, DispatchFailure* failure = nullptr);
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
