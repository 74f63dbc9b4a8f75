// VariantChangeType over the coercions the control's dispatch tables make (to VT_I2, VT_I4,
// VT_BOOL, VT_BSTR, VT_R8, and VT_I8/VT_UI8 for scripting), with banker's rounding and the
// overflow and type-mismatch codes.
#include <cmath>

#include <windows.h>

#include <oleauto.h>

#include "check.h"

namespace {

// A VARIANT that clears itself.
struct Value {
    VARIANT v;
    Value() { VariantInit(&v); }
    Value(const Value&) = delete;
    ~Value() { VariantClear(&v); }
};

// Sets `vt` and the 8 bytes of the value union (integers, floating point, currency).
void Set(Value& value, VARTYPE vt, LONGLONG bits) {
    value.v.llVal = bits;
    value.v.vt = vt;
}
void SetR8(Value& value, double number) {
    value.v.vt = VT_R8;
    value.v.dblVal = number;
}
void SetText(Value& value, const WCHAR* text) {
    value.v.vt = VT_BSTR;
    value.v.bstrVal = SysAllocString(text);
}

struct Changed {
    HRESULT hr;
    Value value;
};

void Change(Changed& out, const Value& source, VARTYPE vt, USHORT flags = 0) {
    // mingw-w64 declares the source without const; it is only read.
    out.hr = VariantChangeType(&out.value.v, const_cast<VARIANT*>(&source.v), flags, vt);
    if (SUCCEEDED(out.hr))
        CHECK_EQ(out.value.v.vt, vt);
}

HRESULT ResultOf(const Value& source, VARTYPE vt) {
    Changed c;
    Change(c, source, vt);
    return c.hr;
}

LONG AsI4(const Value& source) {
    Changed c;
    Change(c, source, VT_I4);
    CHECK_EQ(c.hr, S_OK);
    return c.value.v.lVal;
}

WideText AsText(const Value& source, USHORT flags = 0) {
    Changed c;
    Change(c, source, VT_BSTR, flags);
    CHECK_EQ(c.hr, S_OK);
    if (FAILED(c.hr))
        return W("(failed)");
    return WideText(c.value.v.bstrVal, SysStringLen(c.value.v.bstrVal));
}

}  // namespace

CHECK_CASE(VariantRoundsHalfToEven) {
    struct Case {
        double in;
        LONG out;
    };
    for (Case c : {Case{2.5, 2},
                   {3.5, 4},
                   {-2.5, -2},
                   {-3.5, -4},
                   {0.5, 0},
                   {1.5, 2},
                   {2.4999, 2},
                   {2.5000001, 3},
                   {-0.5, 0},
                   {-0.6, -1}}) {
        Value v;
        SetR8(v, c.in);
        CHECK_EQ(AsI4(v), c.out);
    }
    Value r4;
    r4.v.vt = VT_R4;
    r4.v.fltVal = 2.5f;
    Changed toI2;
    Change(toI2, r4, VT_I2);
    CHECK_EQ(toI2.value.v.iVal, 2);
    struct CurrencyCase {
        LONGLONG scaled;
        LONG out;
    };
    for (CurrencyCase c : {CurrencyCase{25000, 2}, {35000, 4}, {-25000, -2}, {15001, 2}}) {
        Value cy;
        Set(cy, VT_CY, c.scaled);
        CHECK_EQ(AsI4(cy), c.out);
    }
    struct TextCase {
        const WCHAR* text;
        LONG out;
    };
    for (TextCase c :
         {TextCase{W("2.5"), 2}, {W("3.5"), 4}, {W("-2.5"), -2}, {W("1,234.5"), 1234}}) {
        Value text;
        SetText(text, c.text);
        CHECK_EQ(AsI4(text), c.out);
    }
    Value third;
    SetR8(third, 1.23456);
    Changed cy;
    Change(cy, third, VT_CY);
    CHECK_EQ(cy.value.v.cyVal.int64, 12346);
}

CHECK_CASE(VariantOverflowsAtTheTypeLimits) {
    struct Case {
        double in;
        VARTYPE vt;
        HRESULT hr;
    };
    for (Case c : {Case{32767, VT_I2, S_OK},
                   {32768, VT_I2, DISP_E_OVERFLOW},
                   {-32768, VT_I2, S_OK},
                   {-32769, VT_I2, DISP_E_OVERFLOW},
                   {32767.5, VT_I2, DISP_E_OVERFLOW},
                   {-32768.5, VT_I2, S_OK},
                   {2147483647.0, VT_I4, S_OK},
                   {2147483647.5, VT_I4, DISP_E_OVERFLOW},
                   {-2147483648.5, VT_I4, S_OK},
                   {-2147483649.0, VT_I4, DISP_E_OVERFLOW},
                   {255, VT_UI1, S_OK},
                   {256, VT_UI1, DISP_E_OVERFLOW},
                   {9.3e18, VT_I8, DISP_E_OVERFLOW},
                   {-1, VT_UI8, DISP_E_OVERFLOW},
                   {1e300, VT_CY, DISP_E_OVERFLOW},
                   {1e39, VT_R4, DISP_E_OVERFLOW},
                   {2958465.9, VT_DATE, S_OK},
                   {2958466.0, VT_DATE, DISP_E_OVERFLOW},
                   {-657434.5, VT_DATE, S_OK},
                   {-657435.0, VT_DATE, DISP_E_OVERFLOW}}) {
        Value v;
        SetR8(v, c.in);
        CHECK_EQ(ResultOf(v, c.vt), c.hr);
    }
    struct IntegerCase {
        VARTYPE from;
        LONGLONG bits;
        VARTYPE to;
        HRESULT hr;
    };
    for (IntegerCase c : {IntegerCase{VT_I4, 40000, VT_I2, DISP_E_OVERFLOW},
                          {VT_I4, -32768, VT_I2, S_OK},
                          {VT_I8, 0x80000000LL, VT_I4, DISP_E_OVERFLOW},
                          {VT_I8, -0x80000000LL, VT_I4, S_OK},
                          {VT_I8, 922337203685479LL, VT_CY, DISP_E_OVERFLOW}}) {
        Value v;
        Set(v, c.from, c.bits);
        CHECK_EQ(ResultOf(v, c.to), c.hr);
    }
    for (IntegerCase c : {IntegerCase{VT_UI4, 0x80000000, VT_I4, DISP_E_OVERFLOW},
                          {VT_UI8, -1, VT_I8, DISP_E_OVERFLOW},
                          {VT_I8, -1, VT_UI8, DISP_E_OVERFLOW},
                          {VT_I4, -1, VT_UI4, DISP_E_OVERFLOW}}) {
        Value v;
        Set(v, c.from, c.bits);
        SIDES_EQ(ResultOf(v, c.to), S_OK, c.hr,
                 "Wine copies the bits between signed and unsigned types of one size; "
                 "VarI4FromUI4 and its kin are documented to answer DISP_E_OVERFLOW, as winpal "
                 "does");
    }
    struct TextCase {
        const WCHAR* text;
        VARTYPE to;
        HRESULT hr;
    };
    for (TextCase c : {TextCase{W("32768"), VT_I2, DISP_E_OVERFLOW},
                       {W("-32768"), VT_I2, S_OK},
                       {W("2147483648"), VT_I4, DISP_E_OVERFLOW},
                       {W("18446744073709551615"), VT_UI8, S_OK},
                       {W("18446744073709551616"), VT_UI8, DISP_E_OVERFLOW},
                       {W("9223372036854775808"), VT_I8, DISP_E_OVERFLOW},
                       {W("1e400"), VT_R8, DISP_E_OVERFLOW}}) {
        Value v;
        SetText(v, c.text);
        CHECK_EQ(ResultOf(v, c.to), c.hr);
    }
}

CHECK_CASE(VariantBooleans) {
    // Any non-zero number is True (-1); True is -1 in every numeric type.
    struct Case {
        VARTYPE from;
        LONGLONG bits;
        VARIANT_BOOL out;
    };
    for (Case c : {Case{VT_I4, 5, VARIANT_TRUE},
                   {VT_I2, -7, VARIANT_TRUE},
                   {VT_I4, 0, VARIANT_FALSE},
                   {VT_CY, 1, VARIANT_TRUE},
                   {VT_UI8, 1LL << 40, VARIANT_TRUE}}) {
        Value v;
        Set(v, c.from, c.bits);
        Changed b;
        Change(b, v, VT_BOOL);
        CHECK_EQ(b.hr, S_OK);
        CHECK_EQ(b.value.v.boolVal, c.out);
    }
    Value small;
    SetR8(small, 0.0001);
    Changed b;
    Change(b, small, VT_BOOL);
    CHECK_EQ(b.value.v.boolVal, VARIANT_TRUE);
    Value yes;
    yes.v.vt = VT_BOOL;
    yes.v.boolVal = VARIANT_TRUE;
    CHECK_EQ(AsI4(yes), -1);
    Changed r8, i2, ui1;
    Change(r8, yes, VT_R8);
    CHECK_EQ(r8.value.v.dblVal, -1.0);
    Change(i2, yes, VT_I2);
    CHECK_EQ(i2.value.v.iVal, -1);
    Change(ui1, yes, VT_UI1);
    CHECK_EQ(ui1.value.v.bVal, 255);
    CHECK_EQ(AsText(yes), W("-1"));
    CHECK_EQ(AsText(yes, VARIANT_ALPHABOOL), W("True"));
    Value no;
    no.v.vt = VT_BOOL;
    no.v.boolVal = VARIANT_FALSE;
    CHECK_EQ(AsText(no), W("0"));
    CHECK_EQ(AsText(no, VARIANT_ALPHABOOL), W("False"));
    struct TextCase {
        const WCHAR* text;
        HRESULT hr;
        VARIANT_BOOL out;
    };
    for (TextCase c : {TextCase{W("True"), S_OK, VARIANT_TRUE},
                       {W("tRuE"), S_OK, VARIANT_TRUE},
                       {W("False"), S_OK, VARIANT_FALSE},
                       {W("-1"), S_OK, VARIANT_TRUE},
                       {W("2"), S_OK, VARIANT_TRUE},
                       {W("0"), S_OK, VARIANT_FALSE},
                       {W("0.0"), S_OK, VARIANT_FALSE},
                       {W(""), DISP_E_TYPEMISMATCH, 0},
                       {W("yes"), DISP_E_TYPEMISMATCH, 0}}) {
        Value v;
        SetText(v, c.text);
        Changed t;
        Change(t, v, VT_BOOL);
        CHECK_EQ(t.hr, c.hr);
        if (SUCCEEDED(c.hr))
            CHECK_EQ(t.value.v.boolVal, c.out);
    }
}

CHECK_CASE(VariantTextToNumber) {
    struct Case {
        const WCHAR* text;
        LONG value;
    };
    for (Case c : {Case{W(" 42 "), 42},
                   {W("+7"), 7},
                   {W("-7"), -7},
                   {W("(7)"), -7},
                   {W("1,234"), 1234},
                   {W("1.5E3"), 1500},
                   {W("15e-1"), 2},
                   {W("&H1F"), 31},
                   {W("&h1f"), 31},
                   {W("&O17"), 15},
                   {W("&HFFFF"), 65535},
                   {W("&HFFFFFFFF"), -1},
                   {W("&H10000"), 65536},
                   {W(".5"), 0},
                   {W("007"), 7}}) {
        Value v;
        SetText(v, c.text);
        CHECK_EQ(AsI4(v), c.value);
    }
    for (const WCHAR* bad : {W(""), W("   "), W("abc"), W("12abc"), W("1 2"), W("."), W("1e"),
                             W("(5"), W("--5"), W("1.2.3"), W("&H"), W("&HG"), W("0x1F")}) {
        Value v;
        SetText(v, bad);
        CHECK_EQ(ResultOf(v, VT_I4), DISP_E_TYPEMISMATCH);
    }
    // Hexadecimal digits fill a signed integer type as its two's complement.
    struct RadixCase {
        const WCHAR* text;
        VARTYPE vt;
        HRESULT hr;
        LONGLONG value;
    };
    for (RadixCase c : {RadixCase{W("&HFF"), VT_I1, S_OK, -1},
                        {W("&H8000"), VT_I2, S_OK, -32768},
                        {W("&HFFFF"), VT_I2, S_OK, -1},
                        {W("&H10000"), VT_I2, DISP_E_OVERFLOW, 0},
                        {W("&HFFFFFFFF"), VT_I8, S_OK, 4294967295LL},
                        {W("&HFFFF"), VT_UI2, S_OK, 65535}}) {
        Value v;
        SetText(v, c.text);
        Changed n;
        Change(n, v, c.vt);
        CHECK_EQ(n.hr, c.hr);
        if (SUCCEEDED(c.hr)) {
            LONGLONG got = c.vt == VT_I1    ? n.value.v.cVal
                           : c.vt == VT_I2  ? n.value.v.iVal
                           : c.vt == VT_UI2 ? n.value.v.uiVal
                                            : n.value.v.llVal;
            CHECK_EQ(got, c.value);
        }
    }
    Value hexReal;
    SetText(hexReal, W("&HFFFF"));
    Changed real;
    Change(real, hexReal, VT_R8);
    CHECK_EQ(real.value.v.dblVal, 65535.0);
    Value r8;
    SetText(r8, W("2.5e3"));
    Changed d;
    Change(d, r8, VT_R8);
    CHECK_EQ(d.value.v.dblVal, 2500.0);
    Value big;
    SetText(big, W("-9223372036854775808"));
    Changed i8;
    Change(i8, big, VT_I8);
    CHECK_EQ(i8.hr, S_OK);
    CHECK_EQ(i8.value.v.llVal, static_cast<LONGLONG>(-9223372036854775807LL - 1));
}

CHECK_CASE(VariantNumberToText) {
    struct Case {
        double value;
        const WCHAR* text;
    };
    for (Case c : {Case{0.1, W("0.1")},
                   {1e20, W("1E+20")},
                   {1.0 / 3, W("0.333333333333333")},
                   {-0.25, W("-0.25")},
                   {5.6789e-12, W("5.6789E-12")},
                   {1e15, W("1E+15")},
                   {999999999999999.0, W("999999999999999")},
                   {100, W("100")},
                   {1e-5, W("1E-05")}}) {
        Value v;
        SetR8(v, c.value);
        CHECK_EQ(AsText(v), WideText(c.text));
    }
    struct IntegerCase {
        VARTYPE vt;
        LONGLONG bits;
        const WCHAR* text;
    };
    for (IntegerCase c : {IntegerCase{VT_I4, -42, W("-42")},
                          {VT_I2, -32768, W("-32768")},
                          {VT_UI8, -1, W("18446744073709551615")},
                          {VT_I8, -9223372036854775807LL - 1, W("-9223372036854775808")},
                          {VT_CY, 15000, W("1.5")},
                          {VT_CY, -1, W("-0.0001")}}) {
        Value v;
        Set(v, c.vt, c.bits);
        CHECK_EQ(AsText(v), WideText(c.text));
    }
}

CHECK_CASE(VariantEmptyNullErrorAndObjects) {
    Value empty;
    CHECK_EQ(AsI4(empty), 0);
    CHECK_EQ(AsText(empty), WideText());
    Changed b;
    Change(b, empty, VT_BOOL);
    CHECK_EQ(b.value.v.boolVal, VARIANT_FALSE);
    Value null;
    null.v.vt = VT_NULL;
    for (VARTYPE vt : {VT_I2, VT_I4, VT_BOOL, VT_BSTR, VT_R8})
        CHECK_EQ(ResultOf(null, vt), DISP_E_TYPEMISMATCH);
    CHECK_EQ(ResultOf(null, VT_EMPTY), DISP_E_TYPEMISMATCH);
    Changed toNull;
    Change(toNull, empty, VT_NULL);
    CHECK_EQ(toNull.hr, S_OK);
    Value error;
    error.v.vt = VT_ERROR;
    error.v.scode = DISP_E_PARAMNOTFOUND;
    CHECK_EQ(ResultOf(error, VT_I4), DISP_E_TYPEMISMATCH);
    CHECK_EQ(ResultOf(error, VT_BSTR), DISP_E_TYPEMISMATCH);
    Changed sameError;
    Change(sameError, error, VT_ERROR);
    CHECK_EQ(sameError.value.v.scode, DISP_E_PARAMNOTFOUND);
    // An object without a value: Nothing.
    Value nothing;
    nothing.v.vt = VT_DISPATCH;
    nothing.v.pdispVal = nullptr;
    CHECK_EQ(ResultOf(nothing, VT_I4), DISP_E_BADVARTYPE);
    CHECK_EQ(ResultOf(nothing, VT_BSTR), DISP_E_BADVARTYPE);
    // A reference is followed; the source is left as it was.
    LONG referenced = 77;
    Value byRef;
    byRef.v.vt = VT_I4 | VT_BYREF;
    byRef.v.plVal = &referenced;
    Changed fromRef;
    Change(fromRef, byRef, VT_BSTR);
    CHECK_EQ(WideText(fromRef.value.v.bstrVal), W("77"));
    CHECK_EQ(byRef.v.vt, VT_I4 | VT_BYREF);
    byRef.v.vt = VT_EMPTY;  // not ours to clear
    // Changing in place.
    Value inPlace;
    SetText(inPlace, W("12"));
    CHECK_EQ(VariantChangeType(&inPlace.v, &inPlace.v, 0, VT_I2), S_OK);
    CHECK_EQ(inPlace.v.vt, VT_I2);
    CHECK_EQ(inPlace.v.iVal, 12);
    // Types no coercion reaches.
    Value number;
    Set(number, VT_I4, 1);
    CHECK_EQ(ResultOf(number, VT_DISPATCH), DISP_E_TYPEMISMATCH);
    CHECK_EQ(ResultOf(number, static_cast<VARTYPE>(0x7F)), DISP_E_BADVARTYPE);
}

CHECK_CASE(VariantDates) {
    Value date;
    date.v.vt = VT_DATE;
    date.v.date = 36526.75;  // 2000-01-01 18:00
    Changed r8;
    Change(r8, date, VT_R8);
    CHECK_EQ(r8.value.v.dblVal, 36526.75);
    CHECK_EQ(AsI4(date), 36527);
    Value number;
    SetR8(number, 1.5);
    Changed toDate;
    Change(toDate, number, VT_DATE);
    CHECK_EQ(toDate.value.v.date, 1.5);
}
