// Coercion between the scalar and text variant types: range checks with DISP_E_OVERFLOW,
// rounding half to even from fractions to integers, Boolean True as -1, and the US English text
// forms.
#include <cfloat>
#include <cmath>
#include <string>
#include <string_view>

#include "date_parts.h"
#include "date_text.h"
#include "number_text.h"
#include "variant_coerce.h"

namespace winpal::detail {
namespace {

constexpr LONGLONG kCurrencyScale = 10000;

// A numeric value, exactly as its variant held it.
struct Number {
    enum class Kind { Integer, Real, Currency } kind = Kind::Integer;
    __int128 integer = 0;
    double real = 0.0;
    LONGLONG currency = 0;
};

Number IntegerNumber(__int128 v) {
    Number n;
    n.integer = v;
    return n;
}

Number RealNumber(double v) {
    Number n;
    n.kind = Number::Kind::Real;
    n.real = v;
    return n;
}

Number NumberOf(const VARIANT& v) {
    switch (v.vt) {
        case VT_I1:
            return IntegerNumber(static_cast<signed char>(v.cVal));
        case VT_UI1:
            return IntegerNumber(v.bVal);
        case VT_I2:
            return IntegerNumber(v.iVal);
        case VT_UI2:
            return IntegerNumber(v.uiVal);
        case VT_I4:
            return IntegerNumber(v.lVal);
        case VT_UI4:
            return IntegerNumber(v.ulVal);
        case VT_INT:
            return IntegerNumber(v.intVal);
        case VT_UINT:
            return IntegerNumber(v.uintVal);
        case VT_I8:
            return IntegerNumber(v.llVal);
        case VT_UI8:
            return IntegerNumber(v.ullVal);
        case VT_BOOL:
            return IntegerNumber(v.boolVal);
        case VT_R4:
            return RealNumber(v.fltVal);
        case VT_R8:
            return RealNumber(v.dblVal);
        case VT_DATE:
            return RealNumber(v.date);
        case VT_CY: {
            Number n;
            n.kind = Number::Kind::Currency;
            n.currency = v.cyVal.int64;
            return n;
        }
        default:
            return IntegerNumber(0);  // VT_EMPTY
    }
}

double RoundHalfEven(double x) {
    double below = std::floor(x);
    double fraction = x - below;
    if (fraction > 0.5)
        return below + 1.0;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

// An amount in 10000ths to a whole number, half to even.
__int128 RoundCurrency(LONGLONG amount) {
    __int128 whole = amount / kCurrencyScale;
    LONGLONG rest = amount % kCurrencyScale;  // carries the sign of the amount
    bool odd = (whole & 1) != 0;
    if (rest > kCurrencyScale / 2 || (rest == kCurrencyScale / 2 && odd))
        ++whole;
    if (rest < -kCurrencyScale / 2 || (rest == -kCurrencyScale / 2 && odd))
        --whole;
    return whole;
}

double ToReal(const Number& n) {
    switch (n.kind) {
        case Number::Kind::Integer:
            return static_cast<double>(n.integer);
        case Number::Kind::Currency:
            return static_cast<double>(n.currency) / kCurrencyScale;
        default:
            return n.real;
    }
}

// A whole number beyond which no integer type reaches.
constexpr double kBeyondIntegers = 0x1p65;

HRESULT ToInteger(const Number& n, __int128* value) {
    switch (n.kind) {
        case Number::Kind::Integer:
            *value = n.integer;
            return S_OK;
        case Number::Kind::Currency:
            *value = RoundCurrency(n.currency);
            return S_OK;
        default: {
            double rounded = RoundHalfEven(n.real);
            if (!(std::fabs(rounded) < kBeyondIntegers))
                return DISP_E_OVERFLOW;  // NaN too
            *value = static_cast<__int128>(rounded);
            return S_OK;
        }
    }
}

struct IntegerLimits {
    __int128 min;
    __int128 max;
};

IntegerLimits LimitsOf(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
            return {-128, 127};
        case VT_UI1:
            return {0, 0xFF};
        case VT_I2:
            return {-32768, 32767};
        case VT_UI2:
            return {0, 0xFFFF};
        case VT_I4:
        case VT_INT:
            return {INT32_MIN, INT32_MAX};
        case VT_UI4:
        case VT_UINT:
            return {0, UINT32_MAX};
        case VT_I8:
            return {INT64_MIN, INT64_MAX};
        default:
            return {0, UINT64_MAX};  // VT_UI8
    }
}

// Hexadecimal or octal digits as an integer type takes them: a signed type reads digits that fit
// its width as its two's complement ("&HFFFF" is -1 as VT_I2, 65535 as VT_I4); wider digits stay
// as they are, and so overflow.
__int128 RadixValue(std::uint64_t bits, IntegerLimits limits) {
    const __int128 value = bits;
    if (limits.min == 0 || value <= limits.max)
        return value;
    const __int128 span = limits.max - limits.min + 1;
    return value < span ? value - span : value;
}

HRESULT StoreInteger(__int128 v, VARTYPE vt, VARIANT* result) {
    IntegerLimits limits = LimitsOf(vt);
    if (v < limits.min || v > limits.max)
        return DISP_E_OVERFLOW;
    switch (vt) {
        case VT_I1:
            result->cVal = static_cast<CHAR>(v);
            break;
        case VT_UI1:
            result->bVal = static_cast<BYTE>(v);
            break;
        case VT_I2:
            result->iVal = static_cast<SHORT>(v);
            break;
        case VT_UI2:
            result->uiVal = static_cast<USHORT>(v);
            break;
        case VT_I4:
        case VT_INT:
            result->lVal = static_cast<LONG>(v);
            break;
        case VT_UI4:
        case VT_UINT:
            result->ulVal = static_cast<ULONG>(v);
            break;
        case VT_I8:
            result->llVal = static_cast<LONGLONG>(v);
            break;
        default:
            result->ullVal = static_cast<ULONGLONG>(v);
            break;
    }
    result->vt = vt;
    return S_OK;
}

HRESULT StoreReal(double v, VARTYPE vt, VARIANT* result) {
    if (vt == VT_R4) {
        if (std::fabs(v) > FLT_MAX)
            return DISP_E_OVERFLOW;
        result->fltVal = static_cast<float>(v);
    } else if (vt == VT_DATE) {
        if (!winpal::detail::IsInDateRange(v))
            return DISP_E_OVERFLOW;
        result->date = v;
    } else {
        result->dblVal = v;
    }
    result->vt = vt;
    return S_OK;
}

HRESULT StoreCurrency(__int128 amount, VARIANT* result) {
    if (amount < INT64_MIN || amount > INT64_MAX)
        return DISP_E_OVERFLOW;
    result->cyVal.int64 = static_cast<LONGLONG>(amount);
    result->vt = VT_CY;
    return S_OK;
}

HRESULT StoreBool(bool v, VARIANT* result) {
    result->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    result->vt = VT_BOOL;
    return S_OK;
}

HRESULT StoreText(const std::u16string& text, VARIANT* result) {
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b)
        return E_OUTOFMEMORY;
    result->bstrVal = b;
    result->vt = VT_BSTR;
    return S_OK;
}

// Currency from a number: whole numbers scale exactly, fractions round half to even.
HRESULT ToCurrency(const Number& n, VARIANT* result) {
    switch (n.kind) {
        case Number::Kind::Integer:
            return StoreCurrency(n.integer * kCurrencyScale, result);
        case Number::Kind::Currency:
            return StoreCurrency(n.currency, result);
        default: {
            double scaled = RoundHalfEven(n.real * kCurrencyScale);
            if (!(std::fabs(scaled) < kBeyondIntegers))
                return DISP_E_OVERFLOW;
            return StoreCurrency(static_cast<__int128>(scaled), result);
        }
    }
}

HRESULT FromNumber(const VARIANT& value, VARTYPE vt, VARIANT* result) {
    Number n = NumberOf(value);
    switch (vt) {
        case VT_BOOL:
            return StoreBool(ToReal(n) != 0.0, result);  // NaN is not 0: True
        case VT_R4:
        case VT_R8:
        case VT_DATE:
            return StoreReal(ToReal(n), vt, result);
        case VT_CY:
            return ToCurrency(n, result);
        default: {
            __int128 v;
            HRESULT hr = ToInteger(n, &v);
            if (FAILED(hr))
                return hr;
            // True is all bits set: it wraps to the largest value of an unsigned type.
            IntegerLimits limits = LimitsOf(vt);
            if (value.vt == VT_BOOL && limits.min == 0)
                v &= limits.max;
            return StoreInteger(v, vt, result);
        }
    }
}

// The text up to its first NUL, as the text conversions read a BSTR.
std::u16string_view TextOf(BSTR b) {
    return b ? std::u16string_view(b) : std::u16string_view();
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view lowerCase) {
    if (text.size() != lowerCase.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

// "True" and "False" in any case, "#TRUE#" and "#FALSE#" as files written by Basic hold them,
// otherwise a number, which is True unless it is 0.
HRESULT BoolFromText(std::u16string_view text, VARIANT* result) {
    if (EqualsIgnoringCase(text, u"true") || text == u"#TRUE#")
        return StoreBool(true, result);
    if (EqualsIgnoringCase(text, u"false") || text == u"#FALSE#")
        return StoreBool(false, result);
    DecimalNumber number;
    HRESULT hr = ParseNumberText(text, &number);
    if (FAILED(hr))
        return hr;
    double v;
    if (!ToDouble(number, &v))
        return DISP_E_OVERFLOW;
    return StoreBool(v != 0.0, result);
}

HRESULT FromText(BSTR bstr, VARTYPE vt, VARIANT* result) {
    std::u16string_view text = TextOf(bstr);
    if (vt == VT_BOOL)
        return BoolFromText(text, result);
    if (vt == VT_DATE) {
        DATE date;
        HRESULT hr = ParseDateText(text, &date);
        return FAILED(hr) ? hr : StoreReal(date, VT_DATE, result);
    }
    DecimalNumber number;
    HRESULT hr = ParseNumberText(text, &number);
    if (FAILED(hr))
        return hr;
    if (vt == VT_R4 || vt == VT_R8) {
        double v;
        if (!ToDouble(number, &v))
            return DISP_E_OVERFLOW;
        return StoreReal(v, vt, result);
    }
    __int128 v;
    if (vt == VT_CY) {
        number.exponent += 4;  // in 10000ths
        if (!RoundToInteger(number, &v))
            return DISP_E_OVERFLOW;
        return StoreCurrency(v, result);
    }
    if (number.fromRadixDigits)
        return StoreInteger(RadixValue(number.radixBits, LimitsOf(vt)), vt, result);
    if (!RoundToInteger(number, &v))
        return DISP_E_OVERFLOW;
    return StoreInteger(v, vt, result);
}

HRESULT ToText(const VARIANT& value, USHORT flags, VARIANT* result) {
    std::u16string text;
    switch (value.vt) {
        case VT_EMPTY:
            break;
        case VT_BOOL:
            // Words only when asked for; otherwise the number, -1 or 0.
            if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) {
                text = value.boolVal ? u"True" : u"False";
            } else {
                text = FormatInteger(value.boolVal);
            }
            break;
        case VT_R4:
            text = FormatReal(value.fltVal, 7);
            break;
        case VT_R8:
            text = FormatReal(value.dblVal, 15);
            break;
        case VT_CY:
            text = FormatCurrency(value.cyVal.int64);
            break;
        case VT_DATE:
            if (!FormatDateText(value.date, &text))
                return E_INVALIDARG;
            break;
        default:
            text = FormatInteger(NumberOf(value).integer);
            break;
    }
    return StoreText(text, result);
}

}  // namespace

HRESULT CoerceScalar(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT* result) {
    if (vt == VT_BSTR)
        return ToText(value, flags, result);
    if (value.vt == VT_BSTR)
        return FromText(value.bstrVal, vt, result);
    return FromNumber(value, vt, result);
}

}  // namespace winpal::detail
