#include <gtest/gtest.h>

#include <winpal/winpal.h>

#include "counting_dispatch.h"

namespace {

using testsupport::CountingDispatch;
using winpal::Variant;

TEST(VariantChangeTypeObject, AValueTypeComesFromTheDefaultMember) {
    CountingDispatch object;
    object.value.vt = VT_BSTR;
    object.value.bstrVal = SysAllocString(u" 41.5 ");
    {
        Variant src = Variant::Dispatch(&object);
        Variant dst;
        ASSERT_EQ(VariantChangeType(dst.Ptr(), src.Ptr(), 0, VT_I4), S_OK);
        EXPECT_EQ(dst.Ptr()->lVal, 42);
        EXPECT_EQ(object.invokes, 1);
        ASSERT_EQ(VariantChangeType(dst.Ptr(), src.Ptr(), 0, VT_BSTR), S_OK);
        EXPECT_EQ(std::u16string(dst.Ptr()->bstrVal), u" 41.5 ");
        // In place: the object is let go once its value has been read.
        ASSERT_EQ(VariantChangeType(src.Ptr(), src.Ptr(), 0, VT_R8), S_OK);
        EXPECT_EQ(src.Ptr()->dblVal, 41.5);
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantChangeTypeObject, NoValuePropertyNullObjectsAndFailingMembers) {
    CountingDispatch object;
    object.value.vt = VT_I4;
    object.value.lVal = 1;
    {
        Variant src = Variant::Dispatch(&object);
        Variant dst = Variant::I4(99);
        EXPECT_EQ(VariantChangeType(dst.Ptr(), src.Ptr(), VARIANT_NOVALUEPROP, VT_I4),
                  DISP_E_TYPEMISMATCH);
        EXPECT_EQ(object.invokes, 0);
        object.invokeResult = DISP_E_MEMBERNOTFOUND;
        EXPECT_EQ(VariantChangeType(dst.Ptr(), src.Ptr(), 0, VT_I4), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(object.invokes, 1);
        EXPECT_EQ(dst.Ptr()->lVal, 99);
        EXPECT_EQ(VariantChangeType(dst.Ptr(), Variant::Dispatch(nullptr).Ptr(), 0, VT_I4),
                  DISP_E_BADVARTYPE);
        // Emptying needs no value.
        ASSERT_EQ(VariantChangeType(dst.Ptr(), src.Ptr(), 0, VT_EMPTY), S_OK);
        EXPECT_EQ(object.invokes, 1);
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantChangeTypeObject, AnObjectThatIsItsOwnValueEndsInAMismatch) {
    CountingDispatch object;
    object.returnsItself = true;
    {
        Variant dst;
        EXPECT_EQ(VariantChangeType(dst.Ptr(), Variant::Dispatch(&object).Ptr(), 0, VT_I4),
                  DISP_E_TYPEMISMATCH);
    }
    EXPECT_GT(object.invokes, 1);
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantChangeTypeObject, DispatchAndUnknownConvertThroughQueryInterface) {
    CountingDispatch object;
    {
        Variant src = Variant::Dispatch(&object);
        Variant unknown;
        ASSERT_EQ(VariantChangeType(unknown.Ptr(), src.Ptr(), 0, VT_UNKNOWN), S_OK);
        EXPECT_EQ(unknown.Ptr()->punkVal, static_cast<IUnknown*>(&object));
        EXPECT_EQ(object.refs, 3u);
        Variant back;
        ASSERT_EQ(VariantChangeType(back.Ptr(), unknown.Ptr(), 0, VT_DISPATCH), S_OK);
        EXPECT_EQ(back.Ptr()->pdispVal, &object);
        EXPECT_EQ(object.refs, 4u);
        Variant copy;
        ASSERT_EQ(VariantChangeType(copy.Ptr(), src.Ptr(), 0, VT_DISPATCH), S_OK);
        EXPECT_EQ(object.refs, 5u);
        EXPECT_EQ(VariantChangeType(copy.Ptr(), unknown.Ptr(), 0, VT_I4), DISP_E_TYPEMISMATCH);
        object.answersDispatch = false;
        EXPECT_EQ(VariantChangeType(back.Ptr(), unknown.Ptr(), 0, VT_DISPATCH), E_NOINTERFACE);
        EXPECT_EQ(back.Ptr()->pdispVal, &object);
        Variant nothing;
        nothing.Ptr()->vt = VT_UNKNOWN;
        nothing.Ptr()->punkVal = nullptr;
        ASSERT_EQ(VariantChangeType(back.Ptr(), nothing.Ptr(), 0, VT_DISPATCH), S_OK);
        EXPECT_EQ(back.Ptr()->pdispVal, nullptr);
    }
    EXPECT_EQ(object.refs, 1u);
}

}  // namespace
