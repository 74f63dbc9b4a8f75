#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include <winpal/oleauto.h>

namespace {

std::uint32_t StoredLength(BSTR b) {
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<const char*>(b) - 4, 4);
    return length;
}

TEST(Bstr, ByteLengthPrecedesTheTextAndTwoNulBytesFollow) {
    BSTR b = SysAllocString(u"abc");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(StoredLength(b), 6u);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(SysStringByteLen(b), 6u);
    EXPECT_EQ(b[3], u'\0');
    SysFreeString(b);
}

TEST(Bstr, EmbeddedNulsAndOddByteLengthsKeepTheirLength) {
    BSTR b = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(b[1], u'\0');
    EXPECT_EQ(b[2], u'b');
    SysFreeString(b);

    BSTR odd = SysAllocStringByteLen("xyz", 3);
    EXPECT_EQ(StoredLength(odd), 3u);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    const char* bytes = reinterpret_cast<const char*>(odd);
    EXPECT_EQ(std::string(bytes, 3), "xyz");
    EXPECT_EQ(bytes[3], '\0');
    EXPECT_EQ(bytes[4], '\0');
    SysFreeString(odd);

    BSTR blank = SysAllocStringByteLen(nullptr, 5);
    EXPECT_EQ(SysStringByteLen(blank), 5u);
    SysFreeString(blank);
}

TEST(Bstr, NullIsTheEmptyStringAndHugeLengthsFail) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, ReallocationMayReadFromTheOldString) {
    BSTR b = SysAllocString(u"hello world");
    ASSERT_TRUE(SysReAllocString(&b, b + 6));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"world");
    ASSERT_TRUE(SysReAllocStringLen(&b, b + 1, 3));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"orl");
    // Without new text the old text stays, as far as it reaches.
    ASSERT_TRUE(SysReAllocStringLen(&b, nullptr, 5));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), std::u16string(u"orl\0\0", 5));
    ASSERT_TRUE(SysReAllocStringLen(&b, nullptr, 2));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"or");
    EXPECT_EQ(b[2], u'\0');
    ASSERT_TRUE(SysReAllocString(&b, nullptr));
    EXPECT_EQ(b, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    EXPECT_FALSE(SysReAllocStringLen(nullptr, u"x", 1));
}

}  // namespace
