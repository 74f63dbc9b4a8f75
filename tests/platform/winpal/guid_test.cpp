#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include <winpal/com.h>
#include <winpal/winpal.h>

namespace {

constexpr GUID kSample = {
    0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};

std::string GuidText(REFGUID guid) {
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(guid, text, 39), 39);
    return winpal::Utf16ToUtf8(text);
}

TEST(GuidText, StringFromGuid2WritesUpperCaseWithBraces) {
    EXPECT_EQ(GuidText(kSample), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
    EXPECT_EQ(GuidText(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
    OLECHAR tooSmall[38];
    EXPECT_EQ(StringFromGUID2(kSample, tooSmall, 38), 0);
    EXPECT_EQ(StringFromGUID2(kSample, nullptr, 39), 0);
}

TEST(GuidText, StringFromClsidAllocatesWithTheTaskAllocator) {
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(kSample, &text), S_OK);
    EXPECT_EQ(winpal::Utf16ToUtf8(text), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
    CoTaskMemFree(text);
    ASSERT_EQ(StringFromIID(IID_IStream, &text), S_OK);
    EXPECT_EQ(winpal::Utf16ToUtf8(text), "{0000000C-0000-0000-C000-000000000046}");
    CoTaskMemFree(text);
}

TEST(GuidText, ParsingAcceptsEitherCase) {
    CLSID upper{};
    CLSID lower{};
    ASSERT_EQ(CLSIDFromString(u"{0123ABCD-4567-89EF-FEDC-BA9876543210}", &upper), S_OK);
    ASSERT_EQ(CLSIDFromString(u"{0123abcd-4567-89ef-fedc-ba9876543210}", &lower), S_OK);
    EXPECT_EQ(upper, kSample);
    EXPECT_EQ(lower, kSample);
    IID iid{};
    ASSERT_EQ(IIDFromString(u"{00000001-0000-0000-c000-000000000046}", &iid), S_OK);
    EXPECT_EQ(iid, IID_IClassFactory);
}

TEST(GuidText, MalformedTextIsRejected) {
    const char16_t* malformed[] = {u"0123ABCD-4567-89EF-FEDC-BA9876543210",     // no braces
                                   u"{0123ABCD-4567-89EF-FEDC-BA9876543210",    // no closing brace
                                   u"{0123ABCD-4567-89EF-FEDC-BA9876543210}x",  // trailing text
                                   u"{0123ABCD-4567-89EF-FEDCBA9876543210-}",   // dash misplaced
                                   u"{0123ABCG-4567-89EF-FEDC-BA9876543210}",   // not hexadecimal
                                   u"{0123ABCD-4567-89EF-FEDC-BA987654321 }",   // blank inside
                                   u"{ 123ABCD-4567-89EF-FEDC-BA9876543210}",  u"{}",
                                   u"{0123ABCD-4567-89EF-FEDC-BA98765432}"};
    for (const char16_t* text : malformed) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << winpal::Utf16ToUtf8(text);
        IID iid{};
        EXPECT_EQ(IIDFromString(text, &iid), E_INVALIDARG) << winpal::Utf16ToUtf8(text);
    }
    CLSID clsid = kSample;
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);  // null stands for CLSID_NULL
    EXPECT_EQ(clsid, CLSID_NULL);
    EXPECT_EQ(CLSIDFromString(u"{0123ABCD-4567-89EF-FEDC-BA9876543210}", nullptr), E_INVALIDARG);
}

TEST(GuidText, NewGuidsAreRandomVersion4AndRoundTrip) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        GUID guid{};
        ASSERT_EQ(CoCreateGuid(&guid), S_OK);
        EXPECT_EQ(guid.Data3 >> 12, 4);
        EXPECT_EQ(guid.Data4[0] & 0xC0, 0x80);
        OLECHAR text[39];
        ASSERT_EQ(StringFromGUID2(guid, text, 39), 39);
        GUID back{};
        ASSERT_EQ(CLSIDFromString(text, &back), S_OK);
        EXPECT_EQ(back, guid);
        seen.insert(winpal::Utf16ToUtf8(text));
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(TaskMemory, AllocateGrowShrinkAndFree) {
    auto* p = static_cast<char*>(CoTaskMemAlloc(4));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abc", 4);
    p = static_cast<char*>(CoTaskMemRealloc(p, 1 << 20));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "abc");
    p[(1 << 20) - 1] = 'z';
    EXPECT_EQ(CoTaskMemRealloc(p, 0), nullptr);  // frees the block

    void* zero = CoTaskMemAlloc(0);
    EXPECT_NE(zero, nullptr);
    CoTaskMemFree(zero);
    void* fresh = CoTaskMemRealloc(nullptr, 16);
    EXPECT_NE(fresh, nullptr);
    CoTaskMemFree(fresh);
    CoTaskMemFree(nullptr);
}

}  // namespace
