#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include <winpal/winpal.h>

namespace {

using winpal::Variant;

struct Converted {
    HRESULT hr;
    Variant value;
    const VARIANT& v() const { return *value.Ptr(); }
    std::u16string Text() const { return std::u16string(v().bstrVal, SysStringLen(v().bstrVal)); }
};

Converted Change(const Variant& src, VARTYPE vt, USHORT flags = 0) {
    Converted c{S_OK, Variant()};
    c.hr = VariantChangeType(c.value.Ptr(), src.Ptr(), flags, vt);
    EXPECT_TRUE(FAILED(c.hr) || c.v().vt == vt);
    return c;
}

// A variant of an integer, floating-point or currency type with the given bits.
Variant Typed(VARTYPE vt, LONGLONG bits) {
    Variant v;
    v.Ptr()->llVal = bits;
    v.Ptr()->vt = vt;
    return v;
}

Variant R4(float f) {
    Variant v;
    v.Ptr()->fltVal = f;
    v.Ptr()->vt = VT_R4;
    return v;
}

Variant Null() {
    return Typed(VT_NULL, 0);
}

TEST(VariantChangeType, RoundsHalfToEvenFromFractionsToIntegers) {
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
        Converted r = Change(Variant::R8(c.in), VT_I4);
        ASSERT_EQ(r.hr, S_OK) << c.in;
        EXPECT_EQ(r.v().lVal, c.out) << c.in;
    }
    EXPECT_EQ(Change(R4(2.5f), VT_I2).v().iVal, 2);
    EXPECT_EQ(Change(Typed(VT_CY, 25000), VT_I4).v().lVal, 2);  // 2.5
    EXPECT_EQ(Change(Typed(VT_CY, 35000), VT_I4).v().lVal, 4);  // 3.5
    EXPECT_EQ(Change(Typed(VT_CY, -25000), VT_I4).v().lVal, -2);
    EXPECT_EQ(Change(Variant::Text(u"2.5"), VT_I4).v().lVal, 2);
    EXPECT_EQ(Change(Variant::Text(u"3.5"), VT_I4).v().lVal, 4);
    EXPECT_EQ(Change(Variant::Text(u"-2.5"), VT_I4).v().lVal, -2);
    EXPECT_EQ(Change(Variant::Text(u"2.50000000000000000001"), VT_I4).v().lVal, 3);
    EXPECT_EQ(Change(Variant::R8(1.23456), VT_CY).v().cyVal.int64, 12346);
}

TEST(VariantChangeType, OverflowsExactlyAtTheTypeLimits) {
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
                   {255, VT_UI1, S_OK},
                   {256, VT_UI1, DISP_E_OVERFLOW},
                   {-0.6, VT_UI1, DISP_E_OVERFLOW},
                   {127, VT_I1, S_OK},
                   {-129, VT_I1, DISP_E_OVERFLOW},
                   {65535, VT_UI2, S_OK},
                   {2147483647.0, VT_I4, S_OK},
                   {2147483647.5, VT_I4, DISP_E_OVERFLOW},
                   {-2147483648.5, VT_I4, S_OK},
                   {4294967295.0, VT_UI4, S_OK},
                   {-1, VT_UI4, DISP_E_OVERFLOW},
                   {9.3e18, VT_I8, DISP_E_OVERFLOW},
                   {1.8e19, VT_UI8, S_OK},
                   {std::nan(""), VT_I4, DISP_E_OVERFLOW},
                   {INFINITY, VT_I4, DISP_E_OVERFLOW},
                   {1e300, VT_CY, DISP_E_OVERFLOW},
                   {1e39, VT_R4, DISP_E_OVERFLOW},
                   {2958465.9, VT_DATE, S_OK},
                   {2958466.0, VT_DATE, DISP_E_OVERFLOW},
                   {-657434.5, VT_DATE, S_OK},
                   {-657435.0, VT_DATE, DISP_E_OVERFLOW}}) {
        EXPECT_EQ(Change(Variant::R8(c.in), c.vt).hr, c.hr) << c.in << " to " << c.vt;
    }
    EXPECT_EQ(Change(Variant::I4(-129), VT_I1).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Variant::I4(-1), VT_UI2).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Typed(VT_UI4, 0x80000000), VT_I4).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Typed(VT_I8, 922337203685479), VT_CY).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Variant::Text(u"32768"), VT_I2).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Variant::Text(u"-32768"), VT_I2).v().iVal, -32768);
    EXPECT_EQ(Change(Variant::Text(u"18446744073709551615"), VT_UI8).v().ullVal,
              std::numeric_limits<ULONGLONG>::max());
    EXPECT_EQ(Change(Variant::Text(u"18446744073709551616"), VT_UI8).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Variant::Text(u"1e400"), VT_R8).hr, DISP_E_OVERFLOW);
    EXPECT_EQ(Change(Variant::Text(u"1e-400"), VT_R8).v().dblVal, 0.0);
}

TEST(VariantChangeType, BooleansAreMinusOneAndAnyNonZeroNumberIsTrue) {
    for (Variant nonZero : {Variant::I4(5), Variant::R8(0.0001), Typed(VT_CY, 1), Variant::I2(-7),
                            Variant::Text(u"2"), Variant::R8(std::nan(""))}) {
        Converted r = Change(nonZero, VT_BOOL);
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.v().boolVal, VARIANT_TRUE);
    }
    EXPECT_EQ(Change(Variant::R8(0.0), VT_BOOL).v().boolVal, VARIANT_FALSE);
    EXPECT_EQ(Change(Variant::Text(u"0"), VT_BOOL).v().boolVal, VARIANT_FALSE);
    EXPECT_EQ(Change(Variant::Bool(true), VT_I4).v().lVal, -1);
    EXPECT_EQ(Change(Variant::Bool(true), VT_R8).v().dblVal, -1.0);
    EXPECT_EQ(Change(Variant::Bool(true), VT_CY).v().cyVal.int64, -10000);
    EXPECT_EQ(Change(Variant::Bool(true), VT_UI1).v().bVal, 255);  // True is all bits set
    EXPECT_EQ(Change(Variant::Bool(true), VT_UI4).v().ulVal, 0xFFFFFFFFu);
    EXPECT_EQ(Change(Variant::Bool(false), VT_I2).v().iVal, 0);
}

TEST(VariantChangeType, BooleanTextFollowsTheFlags) {
    EXPECT_EQ(Change(Variant::Bool(true), VT_BSTR).Text(), u"-1");
    EXPECT_EQ(Change(Variant::Bool(false), VT_BSTR).Text(), u"0");
    EXPECT_EQ(Change(Variant::Bool(true), VT_BSTR, VARIANT_ALPHABOOL).Text(), u"True");
    EXPECT_EQ(Change(Variant::Bool(false), VT_BSTR, VARIANT_ALPHABOOL).Text(), u"False");
    EXPECT_EQ(Change(Variant::Bool(true), VT_BSTR, VARIANT_LOCALBOOL).Text(), u"True");
    for (const char16_t* t : {u"True", u"true", u"TRUE", u"tRuE", u"#TRUE#", u"-1", u" 1 "}) {
        Converted r = Change(Variant::Text(t), VT_BOOL);
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.v().boolVal, VARIANT_TRUE);
    }
    for (const char16_t* t : {u"False", u"fALSE", u"#FALSE#", u"0.0"}) {
        EXPECT_EQ(Change(Variant::Text(t), VT_BOOL).v().boolVal, VARIANT_FALSE);
    }
    for (const char16_t* t : {u"", u"yes", u"Truth", u"#true#"}) {
        EXPECT_EQ(Change(Variant::Text(t), VT_BOOL).hr, DISP_E_TYPEMISMATCH);
    }
}

TEST(VariantChangeType, TextToNumberAcceptsTheUsForms) {
    struct Case {
        const char16_t* text;
        LONG value;
    };
    for (Case c : {Case{u" 42 ", 42},
                   {u"+7", 7},
                   {u"-7", -7},
                   {u"7-", -7},
                   {u"(7)", -7},
                   {u"1,234", 1234},
                   {u"1,234.4", 1234},
                   {u"1.5E3", 1500},
                   {u"15e-1", 2},
                   {u"1.5d+2", 150},
                   {u"$5", 5},
                   {u"&H1F", 31},
                   {u"&h1f", 31},
                   {u"&O17", 15},
                   {u"&HFFFF", 65535},
                   {u"&HFFFFFFFF", -1},
                   {u"&H10000", 65536},
                   {u".5", 0},
                   {u"\t\u00a09\u3000", 9},
                   {u"007", 7}}) {
        Converted r = Change(Variant::Text(c.text), VT_I4);
        ASSERT_EQ(r.hr, S_OK) << winpal::Utf16ToUtf8(c.text);
        EXPECT_EQ(r.v().lVal, c.value) << winpal::Utf16ToUtf8(c.text);
    }
    EXPECT_EQ(Change(Variant::Text(u"2.5e3"), VT_R8).v().dblVal, 2500.0);
    EXPECT_EQ(Change(Variant::Text(u"0.1"), VT_R8).v().dblVal, 0.1);
    EXPECT_EQ(Change(Variant::Text(u"1.23456"), VT_CY).v().cyVal.int64, 12346);
    EXPECT_EQ(Change(Variant::Text(u"&H1FFFFFFFFFFFFFFFF"), VT_I4).hr, DISP_E_OVERFLOW);
    // Hexadecimal digits fill a signed type as two's complement, an unsigned one as they are.
    EXPECT_EQ(Change(Variant::Text(u"&HFFFF"), VT_I2).v().iVal, -1);
    EXPECT_EQ(Change(Variant::Text(u"&HFFFF"), VT_UI2).v().uiVal, 0xFFFF);
    EXPECT_EQ(Change(Variant::Text(u"&HFFFFFFFF"), VT_UI4).v().ulVal, 0xFFFFFFFFu);
    EXPECT_EQ(Change(Variant::Text(u"-&H1"), VT_UI4).hr, DISP_E_OVERFLOW);
    for (const char16_t* bad :
         {u"", u"   ", u"abc", u"12abc", u"1 2", u".", u"1e", u"(5", u"5)", u"--5", u"-5-", u"(-5)",
          u"1.2.3", u"&H", u"&HG", u"1,2.3,4", u"Inf", u"NaN", u"0x1F"}) {
        EXPECT_EQ(Change(Variant::Text(bad), VT_I4).hr, DISP_E_TYPEMISMATCH)
            << winpal::Utf16ToUtf8(bad);
    }
    Variant nullText = Variant::Text(u"");
    SysFreeString(nullText.Ptr()->bstrVal);
    nullText.Ptr()->bstrVal = nullptr;
    EXPECT_EQ(Change(nullText, VT_R8).hr, DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, NumbersBecomeUsText) {
    struct Case {
        double value;
        const char16_t* text;
    };
    for (Case c : {Case{0.1, u"0.1"},
                   {1e20, u"1E+20"},
                   {1.0 / 3, u"0.333333333333333"},
                   {123456789012345678.0, u"1.23456789012346E+17"},
                   {-0.25, u"-0.25"},
                   {5.6789e-12, u"5.6789E-12"},
                   {1e15, u"1E+15"},
                   {999999999999999.0, u"999999999999999"},
                   {-0.0, u"0"},
                   {100, u"100"},
                   {1e-5, u"1E-05"}}) {
        EXPECT_EQ(Change(Variant::R8(c.value), VT_BSTR).Text(), c.text) << c.value;
    }
    EXPECT_EQ(Change(R4(0.1f), VT_BSTR).Text(), u"0.1");
    EXPECT_EQ(Change(R4(1.0f / 3), VT_BSTR).Text(), u"0.3333333");
    EXPECT_EQ(Change(Variant::I4(-42), VT_BSTR).Text(), u"-42");
    EXPECT_EQ(Change(Typed(VT_UI8, -1), VT_BSTR).Text(), u"18446744073709551615");
    EXPECT_EQ(Change(Typed(VT_I1, -5), VT_BSTR).Text(), u"-5");
    EXPECT_EQ(Change(Typed(VT_CY, 15000), VT_BSTR).Text(), u"1.5");
    EXPECT_EQ(Change(Typed(VT_CY, 30000), VT_BSTR).Text(), u"3");
    EXPECT_EQ(Change(Typed(VT_CY, -1), VT_BSTR).Text(), u"-0.0001");
    // Text back to the number gives the same value.
    EXPECT_EQ(Change(Change(Variant::R8(1.0 / 3), VT_BSTR).value, VT_R8).v().dblVal,
              0.333333333333333);
}

TEST(VariantChangeType, EmptyNullAndErrorValues) {
    Variant empty;
    EXPECT_EQ(Change(empty, VT_I4).v().lVal, 0);
    EXPECT_EQ(Change(empty, VT_R8).v().dblVal, 0.0);
    EXPECT_EQ(Change(empty, VT_BOOL).v().boolVal, VARIANT_FALSE);
    EXPECT_EQ(Change(empty, VT_DATE).v().date, 0.0);
    Converted text = Change(empty, VT_BSTR);
    ASSERT_NE(text.v().bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(text.v().bstrVal), 0u);
    EXPECT_EQ(Change(empty, VT_NULL).hr, S_OK);
    EXPECT_EQ(Change(Variant::I4(3), VT_EMPTY).hr, S_OK);

    for (VARTYPE vt : {VT_I4, VT_BSTR, VT_BOOL, VT_EMPTY, VT_DATE}) {
        EXPECT_EQ(Change(Null(), vt).hr, DISP_E_TYPEMISMATCH) << vt;
    }
    EXPECT_EQ(Change(Null(), VT_NULL).hr, S_OK);
    Variant error = Typed(VT_ERROR, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(Change(error, VT_I4).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(error, VT_EMPTY).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(error, VT_ERROR).v().scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(Change(Variant::I4(1), VT_ERROR).hr, DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, RefusesInvalidTypes) {
    EXPECT_EQ(Change(Variant::I4(1), VT_VOID).hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(Change(Variant::I4(1), 15).hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(Change(Variant::I4(1), VT_BYREF | VT_EMPTY).hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(Change(Variant::I4(1), VT_BYREF | VT_I4).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(Variant::I4(1), VT_VARIANT).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(Variant::I4(1), VT_DISPATCH).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Change(Typed(VT_LPSTR, 0), VT_I4).hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(nullptr, Variant::I4(1).Ptr(), 0, VT_I4), E_INVALIDARG);
}

TEST(VariantChangeType, ReadsThroughReferences) {
    LONG number = 12;
    VARIANT_BOOL flag = VARIANT_TRUE;
    BSTR text = SysAllocString(u" 34 ");
    Variant ref;
    ref.Ptr()->vt = VT_I4 | VT_BYREF;
    ref.Ptr()->plVal = &number;
    EXPECT_EQ(Change(ref, VT_BSTR).Text(), u"12");
    ref.Ptr()->vt = VT_BOOL | VT_BYREF;
    ref.Ptr()->pboolVal = &flag;
    EXPECT_EQ(Change(ref, VT_I2).v().iVal, -1);
    ref.Ptr()->vt = VT_BSTR | VT_BYREF;
    ref.Ptr()->pbstrVal = &text;
    EXPECT_EQ(Change(ref, VT_I4).v().lVal, 34);
    Converted copy = Change(ref, VT_BSTR);
    EXPECT_NE(copy.v().bstrVal, text);
    EXPECT_EQ(copy.Text(), u" 34 ");
    Variant inner = Variant::R8(2.5);
    ref.Ptr()->vt = VT_VARIANT | VT_BYREF;
    ref.Ptr()->pvarVal = inner.Ptr();
    EXPECT_EQ(Change(ref, VT_I4).v().lVal, 2);
    ref.Ptr()->vt = VT_I4 | VT_BYREF;
    ref.Ptr()->plVal = nullptr;
    EXPECT_EQ(Change(ref, VT_I4).hr, DISP_E_TYPEMISMATCH);
    ref.Ptr()->vt = VT_EMPTY;
    SysFreeString(text);
}

TEST(VariantChangeType, ConvertsInPlace) {
    Variant v = Variant::Text(u"12");
    ASSERT_EQ(VariantChangeType(v.Ptr(), v.Ptr(), 0, VT_I4), S_OK);
    EXPECT_EQ(v.Type(), VT_I4);
    EXPECT_EQ(v.Ptr()->lVal, 12);
    ASSERT_EQ(VariantChangeType(v.Ptr(), v.Ptr(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(std::u16string(v.Ptr()->bstrVal), u"12");
    ASSERT_EQ(VariantChangeType(v.Ptr(), v.Ptr(), 0, VT_BSTR), S_OK);  // same type
    EXPECT_EQ(std::u16string(v.Ptr()->bstrVal), u"12");
}

TEST(VariantChangeType, FailureLeavesTheDestinationUntouched) {
    Variant dest = Variant::Text(u"keep");
    BSTR before = dest.Ptr()->bstrVal;
    EXPECT_EQ(VariantChangeType(dest.Ptr(), Variant::Text(u"abc").Ptr(), 0, VT_I4),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(dest.Ptr(), Variant::I4(70000).Ptr(), 0, VT_I2), DISP_E_OVERFLOW);
    EXPECT_EQ(VariantChangeType(dest.Ptr(), Null().Ptr(), 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dest.Type(), VT_BSTR);
    EXPECT_EQ(dest.Ptr()->bstrVal, before);
    EXPECT_EQ(std::u16string(before), u"keep");
    Variant self = Variant::Text(u"x");
    EXPECT_EQ(VariantChangeType(self.Ptr(), self.Ptr(), 0, VT_R8), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(std::u16string(self.Ptr()->bstrVal), u"x");
}

}  // namespace
