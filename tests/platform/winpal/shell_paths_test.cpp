// Drive-letter paths resolve inside the prefix; ShellExecuteA hands a file to the opener.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <temp_prefix.h>
#include <winpal/shellapi.h>
#include <winpal/winpal.h>

namespace testsupport {
namespace {

TEST(DrivePaths, ResolveInsideThePrefixOneFolderPerLetter) {
    TempPrefix prefix;
    const auto drive = [&](const char* letter) { return prefix.Path() / letter; };
    struct Case {
        const char* ansi;
        std::filesystem::path expected;
    };
    const Case cases[] = {
        {"c:\\", drive("drive_c") / ""},
        {"C:/report.doc", drive("drive_c") / "report.doc"},
        {"D:\\outreport.doc", drive("drive_d") / "outreport.doc"},
        {"d:out\\x.eml", drive("drive_d") / "out" / "x.eml"},
        {"c:\\..\\..\\etc\\passwd", drive("drive_c") / "etc" / "passwd"},
        {"c:\\a\\..\\b", drive("drive_c") / "b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(winpal::PathFromAnsi(c.ansi), c.expected) << c.ansi;
    // A drive's folder exists once named, so that a file can be written there at once.
    EXPECT_TRUE(std::filesystem::is_directory(drive("drive_c")));
    EXPECT_TRUE(std::filesystem::is_directory(drive("drive_d")));
    // Neither a relative path nor one whose second character merely is a colon elsewhere.
    EXPECT_EQ(winpal::PathFromAnsi("mail\\c:x"), std::filesystem::path("mail/c:x"));
    EXPECT_EQ(winpal::PathFromAnsi("/tmp/x"), std::filesystem::path("/tmp/x"));
    EXPECT_FALSE(std::filesystem::exists("c:\\"));
}

// Waits (boundedly) for the recording opener to have written its file.
std::string WaitForFile(const std::filesystem::path& file) {
    for (int i = 0; i < 500 && ReadFile(file).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFile(file);
}

TEST(ShellExecute, OpenHandsTheFileToTheOpener) {
    TempPrefix prefix;
    ScopedEnv env;
    const std::filesystem::path record = prefix.Path() / "opened.txt";
    const std::filesystem::path opener = prefix.Path() / "opener.sh";
    WriteFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + "'\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    env.Set("WINPAL_SHELL_OPEN", opener.string());
    WriteFile(prefix.Path() / "drive_c" / "view 1.eml", "Subject: x\r\n\r\n");

    const auto code = [](HINSTANCE result) { return reinterpret_cast<std::intptr_t>(result); };
    EXPECT_GT(
        code(ShellExecuteA(nullptr, "open", "c:\\view 1.eml", nullptr, nullptr, SW_SHOWNORMAL)),
        32);
    EXPECT_EQ(WaitForFile(record), (prefix.Path() / "drive_c" / "view 1.eml").string());

    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "c:\\missing.eml", nullptr, nullptr, 1)),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "print", "c:\\view 1.eml", nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "c:\\view 1.eml", "-x", nullptr, 1)),
              SE_ERR_NOASSOC);
    env.Set("WINPAL_SHELL_OPEN", (prefix.Path() / "no-such-opener").string());
    EXPECT_EQ(code(ShellExecuteA(nullptr, nullptr, "c:\\view 1.eml", nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
}

}  // namespace
}  // namespace testsupport
