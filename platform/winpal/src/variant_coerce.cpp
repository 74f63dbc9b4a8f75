// VariantChangeType(Ex): argument checks, indirection, VT_EMPTY and VT_NULL, objects (their
// default value, or another interface of theirs). Scalar and text conversions are in
// variant_coerce_scalar.cpp.
#include <winpal/oleauto.h>

#include "automation_detail.h"
#include "variant_coerce.h"

namespace {

using winpal::detail::CoerceScalar;
using winpal::detail::IsValidVariantType;

// How deep objects whose default value is again an object are followed.
constexpr int kMaxValueDepth = 8;

struct Coercion {
    LCID lcid;
    USHORT flags;
};

HRESULT ChangeType(const VARIANT* src, const Coercion& how, VARTYPE vt, int depth, VARIANT* result);

constexpr VARTYPE kRecord = 36;  // VT_RECORD: a target type, but this platform has no records

// Target types that are valid but that no other type converts to.
bool IsUnreachableTarget(VARTYPE vt) {
    if (vt == kRecord)
        return true;
    return IsValidVariantType(vt) &&
           ((vt & VT_BYREF) || vt == VT_ERROR || vt == VT_VARIANT || vt == VT_DECIMAL);
}

bool IsObject(VARTYPE vt) {
    return vt == VT_DISPATCH || vt == VT_UNKNOWN;
}

// The object's default value (DISPID_VALUE), converted to `vt`.
HRESULT FromDefaultValue(IDispatch* object, const Coercion& how, VARTYPE vt, int depth,
                         VARIANT* result) {
    if (how.flags & VARIANT_NOVALUEPROP)
        return DISP_E_TYPEMISMATCH;
    if (!object)
        return DISP_E_BADVARTYPE;
    if (depth >= kMaxValueDepth)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS noArguments = {nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, how.lcid, DISPATCH_PROPERTYGET,
                                &noArguments, &value, nullptr, nullptr);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    hr = ChangeType(&value, how, vt, depth + 1, result);
    VariantClear(&value);
    return hr;
}

// Another interface of the same object; a null object stays null.
HRESULT QueryObject(IUnknown* object, VARTYPE vt, VARIANT* result) {
    result->punkVal = nullptr;
    if (object) {
        HRESULT hr = object->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                            reinterpret_cast<void**>(&result->punkVal));
        if (FAILED(hr))
            return hr;
    }
    result->vt = vt;
    return S_OK;
}

// Converts a by-value variant; may take over what `value` owns (it is then left VT_EMPTY).
HRESULT Coerce(VARIANT* value, const Coercion& how, VARTYPE vt, int depth, VARIANT* result) {
    VARTYPE from = value->vt;
    if (from == vt) {
        *result = *value;
        VariantInit(value);
        return S_OK;
    }
    if (IsUnreachableTarget(vt))
        return DISP_E_TYPEMISMATCH;
    if (vt == VT_EMPTY || vt == VT_NULL) {
        // Anything but an error value empties; only VT_NULL stays VT_NULL.
        if (from == VT_ERROR || (vt == VT_EMPTY && from == VT_NULL))
            return DISP_E_TYPEMISMATCH;
        result->vt = vt;
        return S_OK;
    }
    if (IsObject(vt)) {
        return IsObject(from) ? QueryObject(value->punkVal, vt, result) : DISP_E_TYPEMISMATCH;
    }
    if (from == VT_DISPATCH)
        return FromDefaultValue(value->pdispVal, how, vt, depth, result);
    switch (from) {
        case VT_NULL:
        case VT_ERROR:
        case VT_UNKNOWN:
        case VT_VARIANT:
        case VT_DECIMAL:
            return DISP_E_TYPEMISMATCH;
        default:
            return CoerceScalar(*value, how.flags, vt, result);
    }
}

HRESULT ChangeType(const VARIANT* src, const Coercion& how, VARTYPE vt, int depth,
                   VARIANT* result) {
    VariantInit(result);
    if (!IsValidVariantType(src->vt))
        return DISP_E_BADVARTYPE;
    if (!IsValidVariantType(vt) && vt != kRecord)
        return DISP_E_BADVARTYPE;
    if ((src->vt & VT_BYREF) && !src->byref)
        return DISP_E_TYPEMISMATCH;
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = VariantCopyInd(&value, src);
    if (FAILED(hr))
        return hr;
    hr = Coerce(&value, how, vt, depth, result);
    VariantClear(&value);
    return hr;
}

}  // namespace

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt) {
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

// The result is built completely before the destination is cleared, so a failure leaves the
// destination as it was and the source may be the destination itself.
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid,
                            USHORT wFlags, VARTYPE vt) {
    if (!pvargDest || !pvarSrc)
        return E_INVALIDARG;
    VARIANT result;
    HRESULT hr = ChangeType(pvarSrc, Coercion{lcid, wFlags}, vt, 0, &result);
    if (FAILED(hr))
        return hr;
    return winpal::detail::ReplaceVariant(pvargDest, &result);
}
