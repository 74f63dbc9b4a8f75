// Code page 1252 in both directions, the five bytes it leaves unassigned, and the buffer rules of
// MultiByteToWideChar and WideCharToMultiByte.
#include <string>

#include "check.h"

namespace {

WideText ToWide(const std::string& bytes, DWORD flags = 0, UINT codePage = 1252) {
    int size = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                   nullptr, 0);
    WideText wide(static_cast<std::size_t>(size > 0 ? size : 0), WCHAR(0));
    int written = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                      wide.data(), size);
    CHECK_EQ(written, size);
    return wide;
}

std::string ToBytes(const WideText& wide, DWORD flags = 0, BOOL* usedDefault = nullptr) {
    int size = WideCharToMultiByte(1252, flags, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    int written = WideCharToMultiByte(1252, flags, wide.data(), static_cast<int>(wide.size()),
                                      bytes.data(), size, nullptr, usedDefault);
    CHECK_EQ(written, size);
    return bytes;
}

}  // namespace

CHECK_CASE(CodePage1252BytesToText) {
    // The range 0x80-0x9F, where 1252 differs from Latin-1.
    std::string upper;
    for (int b = 0x80; b <= 0xFF; ++b)
        upper += static_cast<char>(b);
    WideText wide = ToWide(upper);
    CHECK_EQ(wide.size(), 128u);
    const unsigned expected80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int i = 0; i < 32 && i < static_cast<int>(wide.size()); ++i)
        CHECK_EQ(static_cast<unsigned>(wide[i]), expected80[i]);
    for (int i = 32; i < 128 && i < static_cast<int>(wide.size()); ++i)
        CHECK_EQ(static_cast<unsigned>(wide[i]), static_cast<unsigned>(0x80 + i));
    // The five unassigned bytes map to the C1 controls of the same value, even when invalid
    // characters are refused.
    for (unsigned char unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        WideText one = ToWide(std::string(1, static_cast<char>(unassigned)), MB_ERR_INVALID_CHARS);
        CHECK_EQ(one.size(), 1u);
        if (!one.empty())
            CHECK_EQ(static_cast<unsigned>(one[0]), static_cast<unsigned>(unassigned));
    }
    CHECK_EQ(ToWide(std::string("a\0b", 3)), WideText(W("a\0b"), 3));
}

CHECK_CASE(CodePage1252TextToBytes) {
    // Every assigned character, and the five C1 controls, back to its byte.
    std::string upper;
    for (int b = 0x80; b <= 0xFF; ++b)
        upper += static_cast<char>(b);
    BOOL usedDefault = TRUE;
    CHECK_EQ(ToBytes(ToWide(upper), 0, &usedDefault), upper);
    CHECK_EQ(usedDefault, FALSE);
    // A character 1252 lacks, with best fit turned off: the default character.
    WideText foreign = W("a\u0100\u4E2Dz");
    usedDefault = FALSE;
    CHECK_EQ(ToBytes(foreign, WC_NO_BEST_FIT_CHARS, &usedDefault), "a??z");
    CHECK_EQ(usedDefault, TRUE);
    char custom[8] = {};
    int written = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, W("\u4E2D"), 1, custom,
                                      sizeof custom, "*", nullptr);
    CHECK_EQ(written, 1);
    CHECK_EQ(custom[0], '*');
    // Without WC_NO_BEST_FIT_CHARS Windows writes a look-alike for some characters.
    usedDefault = FALSE;
    SIDES_EQ(ToBytes(foreign, 0, &usedDefault), std::string("aA?z"), std::string("a??z"),
             "winpal has no best-fit table and always works as with WC_NO_BEST_FIT_CHARS, the "
             "documentation's safe choice: a look-alike can turn a name into another name");
    CHECK_EQ(usedDefault, TRUE);
    // A lone surrogate is not a character of 1252 either.
    CHECK_EQ(ToBytes(WideText(1, static_cast<WCHAR>(0xD800)), WC_NO_BEST_FIT_CHARS), "?");
}

CHECK_CASE(CodePageBufferRules) {
    // -1: the text up to its NUL, NUL counted.
    WCHAR wide[8];
    CHECK_EQ(MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0), 4);
    CHECK_EQ(MultiByteToWideChar(1252, 0, "abc", -1, wide, 8), 4);
    CHECK_EQ(WideText(wide), W("abc"));
    SetLastError(0);
    CHECK_EQ(MultiByteToWideChar(1252, 0, "abc", -1, wide, 3), 0);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    CHECK_EQ(MultiByteToWideChar(1252, 0, "abc", 0, wide, 8), 0);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    char bytes[8];
    CHECK_EQ(WideCharToMultiByte(1252, 0, W("abc"), -1, nullptr, 0, nullptr, nullptr), 4);
    CHECK_EQ(WideCharToMultiByte(1252, 0, W("abc"), -1, bytes, 8, nullptr, nullptr), 4);
    CHECK_EQ(std::string(bytes), "abc");
    SetLastError(0);
    CHECK_EQ(WideCharToMultiByte(1252, 0, W("abc"), 3, bytes, 2, nullptr, nullptr), 0);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // UTF-8: invalid bytes refused on request, replaced by U+FFFD otherwise.
    SetLastError(0);
    CHECK_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, wide, 8), 0);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    CHECK_EQ(ToWide("a\xFF", 0, CP_UTF8), W("a\uFFFD"));
    CHECK_EQ(ToWide("\xE2\x82\xAC", 0, CP_UTF8), W("\u20AC"));
    // The default-character arguments belong to the code pages that can lack a character.
    BOOL used = FALSE;
    SetLastError(0);
    SIDES_EQ(WideCharToMultiByte(CP_UTF8, 0, W("a"), 1, bytes, 8, nullptr, &used), 1, 0,
             "Wine converts; the documentation says UTF-8 with lpUsedDefaultChar fails with "
             "ERROR_INVALID_PARAMETER, as winpal does");
    CHECK_EQ(GetACP(), 1252u);
}
