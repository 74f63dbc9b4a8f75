#include <gtest/gtest.h>

#include <winpal/oleauto.h>

#include "counting_dispatch.h"

namespace {

using testsupport::CountingDispatch;

TEST(VariantClear, ReleasesWhatTheVariantOwnsButNotWhatItRefersTo) {
    CountingDispatch object;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = &object;
    object.AddRef();
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(object.refs, 1u);

    IDispatch* slot = &object;
    v.vt = VT_DISPATCH | VT_BYREF;
    v.ppdispVal = &slot;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.refs, 1u);

    BSTR text = SysAllocString(u"kept");
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = &text;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(std::u16string(text), u"kept");  // still alive
    SysFreeString(text);
}

TEST(VariantClear, RefusesInvalidTypesAndLeavesThemAlone) {
    for (VARTYPE bad : {VARTYPE(15), VARTYPE(VT_BYREF | VT_EMPTY), VARTYPE(VT_BYREF | VT_NULL),
                        VARTYPE(VT_VOID), VARTYPE(0x1000 | VT_I4), VARTYPE(0x7FF)}) {
        VARIANT v;
        v.vt = bad;
        EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << bad;
        EXPECT_EQ(v.vt, bad);
    }
}

TEST(VariantCopy, CopiesStringsDeeplyAndAddsObjectReferences) {
    CountingDispatch object;
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = VT_BSTR;
    src.bstrVal = SysAllocStringByteLen("a\0bcd", 5);  // embedded NUL, odd length
    ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
    ASSERT_EQ(dst.vt, VT_BSTR);
    EXPECT_NE(dst.bstrVal, src.bstrVal);
    EXPECT_EQ(SysStringByteLen(dst.bstrVal), 5u);
    EXPECT_EQ(std::memcmp(dst.bstrVal, src.bstrVal, 5), 0);
    VariantClear(&src);

    src.vt = VT_DISPATCH;
    src.pdispVal = &object;
    object.AddRef();
    ASSERT_EQ(VariantCopy(&dst, &src), S_OK);  // also frees the string dst held
    EXPECT_EQ(dst.pdispVal, &object);
    EXPECT_EQ(object.refs, 3u);
    EXPECT_EQ(VariantCopy(&dst, &dst), S_OK);
    EXPECT_EQ(object.refs, 3u);
    VariantClear(&dst);
    VariantClear(&src);
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantCopy, KeepsReferencesAndRefusesBadSources) {
    LONG number = 5;
    VARIANT src, dst;
    VariantInit(&dst);
    src.vt = VT_I4 | VT_BYREF;
    src.plVal = &number;
    ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
    EXPECT_EQ(dst.vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(dst.plVal, &number);

    dst.vt = VT_I4;
    dst.lVal = 7;
    src.vt = 15;
    EXPECT_EQ(VariantCopy(&dst, &src), DISP_E_BADVARTYPE);
    EXPECT_EQ(dst.lVal, 7);
    EXPECT_EQ(VariantCopy(nullptr, &dst), E_INVALIDARG);
}

TEST(VariantCopyInd, DereferencesValuesStringsObjectsAndVariants) {
    CountingDispatch object;
    VARIANT dst;
    VariantInit(&dst);

    SHORT small = -3;
    VARIANT ref;
    ref.vt = VT_I2 | VT_BYREF;
    ref.piVal = &small;
    ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
    EXPECT_EQ(dst.vt, VT_I2);
    EXPECT_EQ(dst.iVal, -3);

    BSTR text = SysAllocString(u"text");
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &text;
    ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
    EXPECT_EQ(dst.vt, VT_BSTR);
    EXPECT_NE(dst.bstrVal, text);
    EXPECT_EQ(std::u16string(dst.bstrVal), u"text");
    SysFreeString(text);

    IDispatch* slot = &object;
    VARIANT inner;
    inner.vt = VT_DISPATCH | VT_BYREF;
    inner.ppdispVal = &slot;
    ref.vt = VT_VARIANT | VT_BYREF;
    ref.pvarVal = &inner;  // a by-reference variant inside is dereferenced too
    ASSERT_EQ(VariantCopyInd(&dst, &ref), S_OK);
    EXPECT_EQ(dst.vt, VT_DISPATCH);
    EXPECT_EQ(object.refs, 2u);
    VariantClear(&dst);
    EXPECT_EQ(object.refs, 1u);

    VARIANT outer;
    outer.vt = VT_VARIANT | VT_BYREF;
    outer.pvarVal = &ref;
    EXPECT_EQ(VariantCopyInd(&dst, &outer), E_INVALIDARG);
}

TEST(VariantCopyInd, WorksInPlace) {
    DOUBLE number = 2.5;
    VARIANT v;
    v.vt = VT_R8 | VT_BYREF;
    v.pdblVal = &number;
    ASSERT_EQ(VariantCopyInd(&v, &v), S_OK);
    EXPECT_EQ(v.vt, VT_R8);
    EXPECT_EQ(v.dblVal, 2.5);
}

}  // namespace
