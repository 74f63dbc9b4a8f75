// Dispatch maps: the table from dispatch id to a C++ getter, setter or method, built from member
// function pointers. Each entry coerces the caller's arguments to the types of the C++
// parameters with VariantChangeType and stores the C++ result in the result VARIANT.
//
// Parameter types: SHORT (VT_I2), LONG (VT_I4), bool (VT_BOOL), double (VT_R8), std::string
// (VT_BSTR, handed over as ANSI text) and const VARIANT& (VT_VARIANT, handed over as the caller
// passed it). Result types: void, SHORT, LONG, bool (True is -1), double, std::string (ANSI text,
// returned as a BSTR), IDispatch* and IUnknown* (each carrying a reference for the caller).
#pragma once

#include <exception>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <winpal/oleauto.h>

#include <olectl/typelib.h>

namespace olectl {

class CCmdTarget;

// An automation error raised by a member (COleDispatchException): Invoke answers
// DISP_E_EXCEPTION and describes the error in the caller's EXCEPINFO.
class DispatchException : public std::exception {
  public:
    DispatchException(SCODE scode, std::string description)
        : scode_(scode), description_(std::move(description)) {}
    SCODE Code() const { return scode_; }
    const std::string& Description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

  private:
    SCODE scode_;
    std::string description_;
};

// Raises `scode` with the framework's description of it (COleControl::ThrowError).
[[noreturn]] void ThrowError(SCODE scode, const char* description = nullptr);

// The setter of a control property that cannot be written: it raises CTL_E_SETNOTSUPPORTED
// (COleControl::SetNotSupported).
struct SetNotSupportedTag {};
inline constexpr SetNotSupportedTag SetNotSupported{};

// Calls one member of `object`, a CCmdTarget of the map's class.
using Invoker = HRESULT (*)(CCmdTarget* object, DISPPARAMS* params, VARIANT* result, UINT* argErr);

struct DispatchEntry {
    DISPID id;
    bool isProperty;
    Invoker call;                     // the method, or the property's getter
    Invoker put;                      // the property's setter; null when it has none
    bool putRaisesSetNotSupported;    // the setter is SetNotSupported
    VARTYPE type;                     // result or property type (VT_EMPTY: none)
    std::vector<VARTYPE> paramTypes;  // of the method or getter
};

class DispatchMap {
  public:
    DispatchMap(std::initializer_list<DispatchEntry> entries) : entries_(entries) {}
    const DispatchEntry* Find(DISPID id) const;
    const std::vector<DispatchEntry>& Entries() const { return entries_; }

  private:
    std::vector<DispatchEntry> entries_;
};

// IDispatch::Invoke over a dispatch map, with the framework's rules:
// - riid must be IID_NULL (DISP_E_UNKNOWNINTERFACE); an unknown id gives DISP_E_MEMBERNOTFOUND;
// - a property answers DISPATCH_PROPERTYGET or DISPATCH_METHOD; a method needs DISPATCH_METHOD;
// - a put takes the value as the one named argument DISPID_PROPERTYPUT; any other named
//   argument gives DISP_E_PARAMNOTFOUND; a put on a method or on a property without a setter
//   gives DISP_E_MEMBERNOTFOUND; a put on a SetNotSupported property raises
//   CTL_E_SETNOTSUPPORTED;
// - a wrong argument count gives DISP_E_BADPARAMCOUNT; an argument that does not coerce gives
//   the coercion's error (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) with *argErr set to its index
//   in rgvarg;
// - a raised DispatchException gives DISP_E_EXCEPTION with `excepInfo` filled.
HRESULT Invoke(const DispatchMap& map, CCmdTarget* object, DISPID id, REFIID riid, WORD flags,
               DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

// Differences between a dispatch map and the dispinterface the type library describes (ids,
// kinds, parameter and result types, read-only properties); empty when they agree.
std::vector<std::string> CompareWithTypeInfo(const DispatchMap& map, const TypeInfo& info);

namespace detail {

// ---- arguments -------------------------------------------------------------------------------

HRESULT Coerce(VARIANTARG* source, VARTYPE vt, VARIANT* coerced);

template <class T, VARTYPE VT, T VARIANT::*Field>
struct ScalarArg {
    static constexpr VARTYPE vt = VT;
    T value{};
    HRESULT Load(VARIANTARG* source) {
        VARIANT coerced;
        HRESULT hr = Coerce(source, VT, &coerced);
        if (SUCCEEDED(hr))
            value = coerced.*Field;
        return hr;
    }
    T Get() const { return value; }
};

template <class T>
struct Arg;
template <>
struct Arg<SHORT> : ScalarArg<SHORT, VT_I2, &VARIANT::iVal> {};
template <>
struct Arg<LONG> : ScalarArg<LONG, VT_I4, &VARIANT::lVal> {};
template <>
struct Arg<double> : ScalarArg<double, VT_R8, &VARIANT::dblVal> {};
template <>
struct Arg<bool> {
    static constexpr VARTYPE vt = VT_BOOL;
    bool value = false;
    HRESULT Load(VARIANTARG* source);
    bool Get() const { return value; }
};
template <>
struct Arg<std::string> {
    static constexpr VARTYPE vt = VT_BSTR;
    std::string value;
    HRESULT Load(VARIANTARG* source);
    const std::string& Get() const { return value; }
};
template <>
struct Arg<VARIANT> {
    static constexpr VARTYPE vt = VT_VARIANT;
    const VARIANT* value = nullptr;
    HRESULT Load(VARIANTARG* source) {
        value = source;
        return S_OK;
    }
    const VARIANT& Get() const { return *value; }
};

template <class A>
using ArgOf = Arg<std::remove_cvref_t<A>>;

// ---- results ---------------------------------------------------------------------------------

template <class R>
struct Result;
template <>
struct Result<void> {
    static constexpr VARTYPE vt = VT_EMPTY;
};
template <>
struct Result<SHORT> {
    static constexpr VARTYPE vt = VT_I2;
    static HRESULT Store(SHORT r, VARIANT* out) {
        out->vt = VT_I2;
        out->iVal = r;
        return S_OK;
    }
};
template <>
struct Result<LONG> {
    static constexpr VARTYPE vt = VT_I4;
    static HRESULT Store(LONG r, VARIANT* out) {
        out->vt = VT_I4;
        out->lVal = r;
        return S_OK;
    }
};
template <>
struct Result<double> {
    static constexpr VARTYPE vt = VT_R8;
    static HRESULT Store(double r, VARIANT* out) {
        out->vt = VT_R8;
        out->dblVal = r;
        return S_OK;
    }
};
template <>
struct Result<bool> {
    static constexpr VARTYPE vt = VT_BOOL;
    static HRESULT Store(bool r, VARIANT* out) {
        out->vt = VT_BOOL;
        out->boolVal = r ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
};
template <>
struct Result<std::string> {
    static constexpr VARTYPE vt = VT_BSTR;
    static HRESULT Store(const std::string& r, VARIANT* out);
};
template <>
struct Result<IDispatch*> {
    static constexpr VARTYPE vt = VT_DISPATCH;
    static HRESULT Store(IDispatch* r, VARIANT* out) {
        out->vt = VT_DISPATCH;
        out->pdispVal = r;
        return S_OK;
    }
};
template <>
struct Result<IUnknown*> {
    static constexpr VARTYPE vt = VT_UNKNOWN;
    static HRESULT Store(IUnknown* r, VARIANT* out) {
        out->vt = VT_UNKNOWN;
        out->punkVal = r;
        return S_OK;
    }
};

// Stores `value` in the caller's result, or lets go of it when the caller wants none.
template <class R>
HRESULT StoreResult(R&& value, VARIANT* result) {
    using Plain = std::remove_cvref_t<R>;
    VARIANT local;
    VARIANT* out = result ? result : &local;
    VariantInit(out);
    HRESULT hr = Result<Plain>::Store(std::forward<R>(value), out);
    if (!result)
        VariantClear(&local);
    return hr;
}

template <class F>
struct MemberTraits;
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> {
    using Class = C;
    using ResultType = R;
    using Args = std::tuple<ArgOf<A>...>;
    static constexpr std::size_t arity = sizeof...(A);
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraits<R (C::*)(A...)> {};

// Loads the arguments of a method or getter: declaration order runs from the last rgvarg slot
// to the first.
template <class Args, std::size_t... I>
HRESULT LoadArgs([[maybe_unused]] Args& args, [[maybe_unused]] DISPPARAMS* params,
                 [[maybe_unused]] UINT* argErr, std::index_sequence<I...>) {
    HRESULT hr = S_OK;
    [[maybe_unused]] auto load = [&](auto& arg, std::size_t index) {
        if (FAILED(hr))
            return;
        UINT slot = params->cArgs - 1 - static_cast<UINT>(index);
        hr = arg.Load(&params->rgvarg[slot]);
        if (FAILED(hr) && argErr)
            *argErr = slot;
    };
    (load(std::get<I>(args), I), ...);
    return hr;
}

template <auto Fn>
HRESULT CallMember(CCmdTarget* object, DISPPARAMS* params, VARIANT* result, UINT* argErr) {
    using Traits = MemberTraits<decltype(Fn)>;
    using Seq = std::make_index_sequence<Traits::arity>;
    typename Traits::Args args;
    HRESULT hr = LoadArgs(args, params, argErr, Seq{});
    if (FAILED(hr))
        return hr;
    auto* self = static_cast<typename Traits::Class*>(object);
    return std::apply(
        [&](auto&... a) -> HRESULT {
            if constexpr (std::is_void_v<typename Traits::ResultType>) {
                (self->*Fn)(a.Get()...);
                if (result)
                    VariantInit(result);
                return S_OK;
            } else {
                return StoreResult((self->*Fn)(a.Get()...), result);
            }
        },
        args);
}

// A setter takes the new value from rgvarg[0].
template <auto Fn>
HRESULT CallSetter(CCmdTarget* object, DISPPARAMS* params, VARIANT*, UINT* argErr) {
    using Traits = MemberTraits<decltype(Fn)>;
    static_assert(Traits::arity == 1, "a setter takes the new value alone");
    std::tuple_element_t<0, typename Traits::Args> value;
    HRESULT hr = value.Load(&params->rgvarg[0]);
    if (FAILED(hr)) {
        if (argErr)
            *argErr = 0;
        return hr;
    }
    (static_cast<typename Traits::Class*>(object)->*Fn)(value.Get());
    return S_OK;
}

template <class Args, std::size_t... I>
std::vector<VARTYPE> ParamTypes(std::index_sequence<I...>) {
    return {std::tuple_element_t<I, Args>::vt...};
}

template <auto Fn>
DispatchEntry MakeEntry(DISPID id, bool isProperty) {
    using Traits = MemberTraits<decltype(Fn)>;
    return DispatchEntry{
        id,
        isProperty,
        &CallMember<Fn>,
        nullptr,
        false,
        Result<std::remove_cvref_t<typename Traits::ResultType>>::vt,
        ParamTypes<typename Traits::Args>(std::make_index_sequence<Traits::arity>{})};
}

}  // namespace detail

// A method (DISP_FUNCTION).
template <auto Fn>
DispatchEntry DispMethod(DISPID id) {
    return detail::MakeEntry<Fn>(id, false);
}

// A property: the getter (which may take parameters, as Item does), and either no setter (a
// put gives DISP_E_MEMBERNOTFOUND), a setter taking the new value, or SetNotSupported.
template <auto Getter, auto Setter = nullptr>
DispatchEntry DispProperty(DISPID id) {
    DispatchEntry entry = detail::MakeEntry<Getter>(id, true);
    if constexpr (std::is_same_v<std::remove_cv_t<decltype(Setter)>, SetNotSupportedTag>) {
        entry.putRaisesSetNotSupported = true;
    } else if constexpr (!std::is_null_pointer_v<std::remove_cv_t<decltype(Setter)>>) {
        entry.put = &detail::CallSetter<Setter>;
    }
    return entry;
}

}  // namespace olectl
