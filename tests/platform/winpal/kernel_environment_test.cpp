#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include <scoped_env.h>

namespace {

using testsupport::ScopedEnv;

std::string Expand(const char* text) {
    DWORD needed = ExpandEnvironmentStringsA(text, nullptr, 0);
    EXPECT_GT(needed, 0u);
    std::string out(needed, '#');
    EXPECT_EQ(ExpandEnvironmentStringsA(text, out.data(), needed), needed);
    EXPECT_EQ(out[needed - 1], '\0');
    out.resize(needed - 1);
    return out;
}

std::string TempPath() {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    EXPECT_GT(n, 0u);
    EXPECT_LT(n, sizeof buffer);
    return std::string(buffer, n);
}

TEST(ExpandEnvironmentStrings, NamesMatchWithoutRegardToCase) {
    ScopedEnv env;
    env.Set("WINPAL_TEST_HOME", "/srv/home");
    EXPECT_EQ(Expand("%WINPAL_TEST_HOME%/a"), "/srv/home/a");
    EXPECT_EQ(Expand("%winpal_test_home%/a"), "/srv/home/a");
    EXPECT_EQ(Expand("%Winpal_Test_Home%%WINPAL_TEST_HOME%"), "/srv/home/srv/home");
}

TEST(ExpandEnvironmentStrings, UnknownNamesAndLonePercentSignsStayAsWritten) {
    ScopedEnv env;
    env.Clear("WINPAL_TEST_UNSET");
    env.Set("WINPAL_TEST_X", "x");
    EXPECT_EQ(Expand("a%WINPAL_TEST_UNSET%b"), "a%WINPAL_TEST_UNSET%b");
    EXPECT_EQ(Expand("100%"), "100%");
    EXPECT_EQ(Expand("%%"), "%%");
    EXPECT_EQ(Expand("50% off %WINPAL_TEST_X"), "50% off %WINPAL_TEST_X");
    EXPECT_EQ(Expand("%WINPAL_TEST_UNSET%WINPAL_TEST_X%"), "%WINPAL_TEST_UNSET%WINPAL_TEST_X%");
    EXPECT_EQ(Expand(""), "");
}

TEST(ExpandEnvironmentStrings, ReturnsTheSizeNeededAndLeavesAShortBufferIncomplete) {
    ScopedEnv env;
    env.Set("WINPAL_TEST_V", "12345");
    const char* text = "<%WINPAL_TEST_V%>";
    EXPECT_EQ(ExpandEnvironmentStringsA(text, nullptr, 0), 8u);  // "<12345>" and the NUL
    char exact[8];
    EXPECT_EQ(ExpandEnvironmentStringsA(text, exact, 8), 8u);
    EXPECT_STREQ(exact, "<12345>");
    char small[7];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(ExpandEnvironmentStringsA(text, small, sizeof small), 8u);
    EXPECT_EQ(std::memchr(small, '\0', sizeof small), nullptr);  // no complete text
}

TEST(ExpandEnvironmentStrings, UserProfileDefaultsToTheProfileFolderOfThePrefix) {
    ScopedEnv env;
    env.Clear("USERPROFILE");
    const std::string profile = winpal::AnsiFromPath(winpal::ProfilePath());
    EXPECT_EQ(profile, winpal::AnsiFromPath(winpal::PrefixPath() / "profile"));
    EXPECT_EQ(Expand("%UserProfile%\\Mail"), profile + "\\Mail");
    env.Set("USERPROFILE", "/home/someone");
    EXPECT_EQ(Expand("%userprofile%"), "/home/someone");
}

TEST(ExpandEnvironmentStrings, AppDataDefaultsToApplicationDataInTheProfile) {
    ScopedEnv env;
    env.Clear("APPDATA");
    env.Clear("USERPROFILE");
    const std::string profile = winpal::AnsiFromPath(winpal::ProfilePath());
    EXPECT_EQ(Expand("%APPDATA%\\Microsoft"), profile + "/Application Data\\Microsoft");
    env.Set("USERPROFILE", "/home/someone");
    EXPECT_EQ(Expand("%AppData%"), "/home/someone/Application Data");
    env.Set("APPDATA", "/srv/roaming");
    EXPECT_EQ(Expand("%appdata%"), "/srv/roaming");
}

TEST(ExpandEnvironmentStrings, ValuesComeInTheAnsiCodePage) {
    ScopedEnv env;
    env.Clear("WINPAL_ACP");
    env.Set("WINPAL_TEST_CAFE", "caf\xC3\xA9");  // UTF-8 in the process environment
    EXPECT_EQ(Expand("%WINPAL_TEST_CAFE%"), "caf\xE9");
}

TEST(ExpandEnvironmentStrings, TempDefaultsToTheTemporaryFolder) {
    ScopedEnv env;
    env.Clear("TMP");
    env.Clear("TEMP");
    std::string temp = TempPath();
    temp.pop_back();  // without the trailing separator, as %TEMP% reads on Windows
    EXPECT_EQ(Expand("%TEMP%"), temp);
    EXPECT_EQ(Expand("%tmp%"), temp);
}

TEST(GetEnvironmentVariable, ReturnConventionAndMissingVariables) {
    ScopedEnv env;
    env.Set("WINPAL_TEST_NAME", "abcdef");
    char buffer[16];
    EXPECT_EQ(GetEnvironmentVariableA("winpal_test_name", buffer, sizeof buffer), 6u);
    EXPECT_STREQ(buffer, "abcdef");
    char exact[7];
    EXPECT_EQ(GetEnvironmentVariableA("WINPAL_TEST_NAME", exact, 7), 6u);
    char small[6];
    EXPECT_EQ(GetEnvironmentVariableA("WINPAL_TEST_NAME", small, 6), 7u);
    EXPECT_EQ(GetEnvironmentVariableA("WINPAL_TEST_NAME", nullptr, 0), 7u);

    env.Clear("WINPAL_TEST_GONE");
    SetLastError(0);
    EXPECT_EQ(GetEnvironmentVariableA("WINPAL_TEST_GONE", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
    env.Set("WINPAL_TEST_GONE", "");  // an empty value does not exist on Windows
    EXPECT_EQ(GetEnvironmentVariableA("WINPAL_TEST_GONE", buffer, sizeof buffer), 0u);
}

TEST(GetTempPath, FollowsTmpTempUserProfileOrder) {
    ScopedEnv env;
    env.Set("TMP", "/var/tmp-a");
    env.Set("TEMP", "/var/tmp-b");
    env.Set("USERPROFILE", "/home/p");
    EXPECT_EQ(TempPath(), "/var/tmp-a/");
    env.Clear("TMP");
    EXPECT_EQ(TempPath(), "/var/tmp-b/");
    env.Clear("TEMP");
    EXPECT_EQ(TempPath(), "/home/p/");
    env.Clear("USERPROFILE");
    env.Clear("TMPDIR");
    EXPECT_EQ(TempPath(), "/tmp/");
}

TEST(GetTempPath, RelativeFolderBecomesAbsoluteAndShortBufferGetsTheSize) {
    ScopedEnv env;
    env.Set("TMP", "scratch/");
    const std::string expected =
        winpal::AnsiFromPath(std::filesystem::current_path() / "scratch") + "/";
    EXPECT_EQ(TempPath(), expected);
    char small[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetTempPathA(sizeof small, small), expected.size() + 1);
    EXPECT_EQ(small[0], '#');
    EXPECT_EQ(GetTempPathA(0, nullptr), expected.size() + 1);
}

}  // namespace
