#include <gtest/gtest.h>

#include <winpal/winpal.h>

#include "counting_dispatch.h"

namespace {

using testsupport::CountingDispatch;
using winpal::Bstr;
using winpal::Variant;

TEST(BstrOwner, ConvertsUtf8AndAnsiBothWays) {
    Bstr text = Bstr::FromUtf8("Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(text.View(), u"Caf\u00e9 \u20ac");
    EXPECT_EQ(text.Length(), 6u);
    EXPECT_EQ(text.Utf8(), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(text.Ansi(), "Caf\xE9 \x80");  // Windows-1252
    EXPECT_EQ(Bstr::FromAnsi("Caf\xE9").View(), u"Caf\u00e9");
    Bstr none;
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(none.Length(), 0u);
    EXPECT_TRUE(none.View().empty());
    EXPECT_NE(Bstr(u"").Get(), nullptr);  // an empty text, not a null BSTR
}

TEST(BstrOwner, CopiesOwnTheirTextAndEmbeddedNulsSurvive) {
    Bstr original(std::u16string_view(u"a\0b", 3));
    Bstr copy = original;
    EXPECT_NE(copy.Get(), original.Get());
    EXPECT_EQ(copy.View(), std::u16string_view(u"a\0b", 3));
    BSTR raw = copy.Detach();
    EXPECT_EQ(copy.Get(), nullptr);
    Bstr adopted = Bstr::Adopt(raw);
    EXPECT_EQ(adopted.Get(), raw);
    ASSERT_TRUE(SysReAllocString(adopted.Put(), u"new"));  // Put frees the old text first
    EXPECT_EQ(adopted.View(), u"new");
}

TEST(VariantOwner, TextIsConvertedAndCopiedDeeply) {
    Variant text = Variant::Utf8("\xC3\xA9t\xC3\xA9");
    ASSERT_EQ(text.Type(), VT_BSTR);
    EXPECT_EQ(std::u16string(text.Ptr()->bstrVal), u"\u00e9t\u00e9");
    Variant copy = text;
    EXPECT_NE(copy.Ptr()->bstrVal, text.Ptr()->bstrVal);
}

TEST(VariantOwner, HoldsItsOwnObjectReference) {
    CountingDispatch object;
    {
        Variant v = Variant::Dispatch(&object);
        EXPECT_EQ(object.refs, 2u);
        Variant copy;
        copy = v;
        EXPECT_EQ(object.refs, 3u);
        VARIANT raw = copy.Detach();
        EXPECT_EQ(copy.Type(), VT_EMPTY);
        EXPECT_EQ(object.refs, 3u);
        VariantClear(&raw);
    }
    EXPECT_EQ(object.refs, 1u);
    Variant nothing = Variant::Dispatch(nullptr);
    EXPECT_EQ(nothing.Type(), VT_DISPATCH);
    EXPECT_EQ(nothing.Ptr()->pdispVal, nullptr);
}

}  // namespace
