// VARIANT lifetime: initialisation, clearing and copying (with and without indirection).
#include <cstring>

#include <winpal/oleauto.h>

#include "automation_detail.h"

static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*), "VARIANT keeps the Windows layout");
static_assert(offsetof(VARIANT, llVal) == 8, "the value follows the type and reserved words");

namespace winpal::detail {

bool IsValidVariantType(VARTYPE vt) {
    VARTYPE base = vt & VT_TYPEMASK;
    VARTYPE extra = vt & ~VT_TYPEMASK;
    if (extra != 0 && extra != VT_BYREF)
        return false;
    if (base > VT_UINT || base == 15)
        return false;
    if (extra == VT_BYREF && base <= VT_NULL)
        return false;
    return true;
}

HRESULT ReplaceVariant(VARIANT* dest, VARIANT* value) {
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(value);
        return hr;
    }
    *dest = *value;
    return S_OK;
}

}  // namespace winpal::detail

namespace {

using winpal::detail::DuplicateBstr;
using winpal::detail::IsValidVariantType;
using winpal::detail::ReplaceVariant;

// The size of the value a VT_BYREF variant of base type `base` points at (not for BSTRs,
// interfaces and variants, which need more than a copy of their bytes).
std::size_t ReferencedSize(VARTYPE base) {
    switch (base) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_DECIMAL:
            return 16;
        default:
            return 8;  // VT_I8, VT_UI8, VT_R8, VT_DATE, VT_CY
    }
}

// Makes `out` an owning, by-value copy of the value `src` (a VT_BYREF variant) points at.
HRESULT CopyReferencedValue(const VARIANT* src, VARIANT* out) {
    VARTYPE base = src->vt & VT_TYPEMASK;
    if (!src->byref)
        return E_INVALIDARG;
    VariantInit(out);
    if (base == VT_VARIANT) {
        const VARIANT* inner = src->pvarVal;
        // One level of indirection through a variant; a variant that refers to another
        // by-reference variant is refused, as on Windows.
        if (inner->vt == (VT_BYREF | VT_VARIANT))
            return E_INVALIDARG;
        return VariantCopyInd(out, inner);
    }
    if (base == VT_BSTR) {
        if (!DuplicateBstr(*src->pbstrVal, &out->bstrVal))
            return E_OUTOFMEMORY;
    } else if (base == VT_DISPATCH || base == VT_UNKNOWN) {
        out->punkVal = *src->ppunkVal;
        if (out->punkVal)
            out->punkVal->AddRef();
    } else if (base == VT_DECIMAL) {
        // A DECIMAL fills the whole variant; its first word is where the type goes.
        std::memcpy(out, src->byref, ReferencedSize(base));
    } else {
        std::memcpy(&out->llVal, src->byref, ReferencedSize(base));
    }
    out->vt = base;
    return S_OK;
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) {
    if (!pvarg)
        return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
    if (!pvarg)
        return E_INVALIDARG;
    if (!IsValidVariantType(pvarg->vt))
        return DISP_E_BADVARTYPE;
    switch (pvarg->vt) {
        case VT_BSTR:
            SysFreeString(pvarg->bstrVal);
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (pvarg->punkVal)
                pvarg->punkVal->Release();
            break;
        default:
            break;  // values and references to values own nothing
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (!pvargDest || !pvargSrc)
        return E_INVALIDARG;
    if (!IsValidVariantType(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc)
        return S_OK;
    // The copy takes its own string or reference before the destination lets go of what it
    // holds, which may be the very same object.
    VARIANT copy = *pvargSrc;
    if (copy.vt == VT_BSTR) {
        if (!DuplicateBstr(pvargSrc->bstrVal, &copy.bstrVal))
            return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_DISPATCH || copy.vt == VT_UNKNOWN) && copy.punkVal) {
        copy.punkVal->AddRef();
    }
    return ReplaceVariant(pvargDest, &copy);
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
    if (!pvarDest || !pvargSrc)
        return E_INVALIDARG;
    if (!(pvargSrc->vt & VT_BYREF))
        return VariantCopy(pvarDest, pvargSrc);
    if (!IsValidVariantType(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    // The copy is complete before the destination is cleared, so that the source may be the
    // destination itself.
    VARIANT value;
    HRESULT hr = CopyReferencedValue(pvargSrc, &value);
    if (FAILED(hr))
        return hr;
    return ReplaceVariant(pvarDest, &value);
}
