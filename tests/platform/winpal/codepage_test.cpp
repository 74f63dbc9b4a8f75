#include <gtest/gtest.h>

#include <cstdlib>

#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include <scoped_env.h>

namespace {

TEST(CodePage, Windows1252MapsItsHighRangeBothWays) {
    const char ansi[] = "\x80\x9f\xe9\x81";
    WCHAR wide[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, ansi, 4, wide, 8), 4);
    EXPECT_EQ(wide[0], 0x20AC);  // euro sign
    EXPECT_EQ(wide[1], 0x0178);  // Y with diaeresis
    EXPECT_EQ(wide[2], 0x00E9);
    EXPECT_EQ(wide[3], 0x0081);  // undefined byte keeps its number
    char back[8] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 4, back, 8, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(back, 4), std::string(ansi, 4));
}

TEST(CodePage, UnmappableCharacterBecomesDefaultAndIsReported) {
    const WCHAR wide[] = {u'a', 0x4E2D, 0};
    char out[8] = {};
    BOOL usedDefault = FALSE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, out, 8, nullptr, &usedDefault), 3);
    EXPECT_STREQ(out, "a?");
    EXPECT_EQ(usedDefault, TRUE);
}

TEST(CodePage, SizeQueryCountsTheTerminatorAndShortBufferFails) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    WCHAR small[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, small, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePage, Utf8SurrogatePairsAndInvalidBytes) {
    const char utf8[] = "\xF0\x9F\x98\x80";  // U+1F600
    WCHAR wide[4] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, 4, wide, 4), 2);
    EXPECT_EQ(wide[0], 0xD83D);
    EXPECT_EQ(wide[1], 0xDE00);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3(", 2, wide, 4), 2);
    EXPECT_EQ(wide[0], 0xFFFD);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3(", 2, wide, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC0\xAF", 2, wide, 4), 1);  // overlong form
    EXPECT_EQ(wide[0], 0xFFFD);
}

TEST(CodePage, AcpCanBeOverriddenByTheEnvironment) {
    testsupport::ScopedEnv env;
    env.Set("WINPAL_ACP", "65001");
    EXPECT_EQ(GetACP(), 65001u);
    EXPECT_EQ(winpal::WideToAnsi(u"\u00e9"), "\xC3\xA9");
    env.Set("WINPAL_ACP", "bogus");
    EXPECT_EQ(GetACP(), 1252u);
    env.Clear("WINPAL_ACP");
    EXPECT_EQ(winpal::WideToAnsi(u"\u00e9"), "\xE9");
}

TEST(CodePage, AnsiPathsBecomeUtf8WithForwardSlashes) {
    EXPECT_EQ(winpal::PathFromAnsi("mail\\Caf\xE9.dbx").string(), "mail/Caf\xC3\xA9.dbx");
    EXPECT_EQ(winpal::AnsiFromPath("mail/Caf\xC3\xA9.dbx"), "mail/Caf\xE9.dbx");
}

}  // namespace
