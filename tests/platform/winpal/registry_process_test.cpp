// Several processes on one registry: changes made one after another by different processes
// are all kept, readers see other processes' changes, and a writer killed in the middle of a
// save leaves the old file intact.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "registry_test_util.h"
#include "temp_prefix.h"

namespace {

using regtest::CreateKey;
using regtest::QueryBytes;
using regtest::SetText;
using regtest::ValueNames;

// Runs `body` in a child process and returns its wait status.
template <class Body>
int InChild(Body body) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Sets `count` values named "<prefix><i>" under HKCU\Shared; 0 when all succeeded.
int WriteValues(const std::string& prefix, int count) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        std::string name = prefix + std::to_string(i);
        if (SetText(key, name.c_str(), name) != ERROR_SUCCESS)
            return 2;
    }
    RegCloseKey(key);
    return 0;
}

std::filesystem::path Sibling(const char* program) {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / program;
}

class RegistryProcesses : public testing::Test {
  protected:
    testsupport::TempPrefix prefix_;
};

TEST_F(RegistryProcesses, WritesOfTwoProcessesOneAfterTheOtherAreBothKept) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Shared");
    ASSERT_EQ(SetText(key, "first", "parent"), ERROR_SUCCESS);
    int status = InChild([] { return WriteValues("child", 1); });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // This process still holds the tree it read before the child wrote.
    ASSERT_EQ(SetText(key, "second", "parent"), ERROR_SUCCESS);
    RegCloseKey(key);

    testsupport::TempPrefix fresh;
    std::filesystem::copy_file(prefix_.Path() / "user.reg", fresh.Path() / "user.reg");
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"first", "child0", "second"}));
    RegCloseKey(key);
}

TEST_F(RegistryProcesses, ConcurrentWritersLoseNothing) {
    constexpr int kEach = 40;
    pid_t a = fork();
    if (a == 0)
        _exit(WriteValues("a", kEach));
    pid_t b = fork();
    if (b == 0)
        _exit(WriteValues("b", kEach));
    int parent = WriteValues("p", kEach);
    int statusA = 0, statusB = 0;
    waitpid(a, &statusA, 0);
    waitpid(b, &statusB, 0);
    ASSERT_EQ(parent, 0);
    ASSERT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
    ASSERT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::string> names = ValueNames(key);
    EXPECT_EQ(names.size(), 3u * kEach);
    for (const char* who : {"a", "b", "p"}) {
        for (int i = 0; i < kEach; ++i) {
            std::string name = who + std::to_string(i);
            DWORD type = 0;
            std::string bytes;
            EXPECT_EQ(QueryBytes(key, name.c_str(), &type, &bytes), ERROR_SUCCESS) << name;
        }
    }
    RegCloseKey(key);
}

TEST_F(RegistryProcesses, ReaderSeesAnotherProcessesChange) {
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Seen");
    ASSERT_EQ(SetText(key, "v", "old"), ERROR_SUCCESS);
    int status = InChild([] {
        HKEY child = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Seen", 0, KEY_SET_VALUE, &child))
            return 1;
        return SetText(child, "v", "new") == ERROR_SUCCESS ? 0 : 2;
    });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(key, "v", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("new", 4));
    RegCloseKey(key);
}

TEST_F(RegistryProcesses, WriterKilledBeforeTheRenameLeavesTheOldFileIntact) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Crash");
    ASSERT_EQ(SetText(key, "v", "old"), ERROR_SUCCESS);
    std::filesystem::path file = prefix_.Path() / "user.reg";
    std::string before = testsupport::ReadFile(file);

    pid_t pid = fork();
    if (pid == 0) {
        setenv("WINPAL_REGISTRY_FAULT", "kill-before-rename", 1);
        SetText(key, "v", "new");
        _exit(0);  // not reached: the save kills the process
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EXPECT_EQ(testsupport::ReadFile(file), before);
    std::filesystem::path temporary = prefix_.Path() / (".user.reg.tmp-" + std::to_string(pid));
    ASSERT_TRUE(std::filesystem::exists(temporary))
        << "the crash came after the new text was written";
    EXPECT_NE(testsupport::ReadFile(temporary).find("\"v\"=\"new\""), std::string::npos);

    testsupport::TempPrefix fresh;
    std::filesystem::copy_file(file, fresh.Path() / "user.reg");
    HKEY reread = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Crash", 0, KEY_READ, &reread), ERROR_SUCCESS);
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(reread, "v", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("old", 4));
    RegCloseKey(reread);
}

TEST_F(RegistryProcesses, NextWriterClearsWhatACrashedWriterLeft) {
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Crash");
    std::filesystem::path leftover = prefix_.Path() / ".user.reg.tmp-999999";
    testsupport::WriteFile(leftover, "half a file");
    ASSERT_EQ(SetText(key, "v", "x"), ERROR_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(leftover));
    RegCloseKey(key);
}

// The winreg tool as a second process: import, query and export.
TEST_F(RegistryProcesses, WinregToolImportsQueriesAndExports) {
    std::filesystem::path winreg = Sibling("winreg");
    ASSERT_TRUE(std::filesystem::exists(winreg)) << winreg;
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.Path() / "in.reg",
                           "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\Identities]\n"
                           "\"Start As\"=\"{77}\"\n"
                           "\"Count\"=dword:00000010\n\n"
                           "[HKEY_CURRENT_USER\\Identities\\{77}]\n");
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Identities");
    ASSERT_EQ(SetText(key, "Mine", "kept"), ERROR_SUCCESS);

    std::string run = winreg.string() + " import " + (dir.Path() / "in.reg").string();
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    DWORD type = 0;
    std::string bytes;
    ASSERT_EQ(QueryBytes(key, "Start As", &type, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::string("{77}", 5));
    ASSERT_EQ(QueryBytes(key, "Mine", &type, &bytes), ERROR_SUCCESS);
    RegCloseKey(key);

    std::filesystem::path listing = dir.Path() / "query.txt";
    run = winreg.string() + " query 'HKEY_CURRENT_USER\\Identities' > " + listing.string();
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    EXPECT_EQ(testsupport::ReadFile(listing),
              "HKEY_CURRENT_USER\\Identities\n"
              "    Mine    REG_SZ    kept\n"
              "    Start As    REG_SZ    {77}\n"
              "    Count    REG_DWORD    0x10\n"
              "HKEY_CURRENT_USER\\Identities\\{77}\n");

    std::filesystem::path out = dir.Path() / "out.reg";
    run = winreg.string() + " export 'HKEY_CURRENT_USER\\Identities' " + out.string();
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    std::string exported;
    ASSERT_EQ(winpal::RegExportKey("HKEY_CURRENT_USER\\Identities", &exported), ERROR_SUCCESS);
    EXPECT_EQ(testsupport::ReadFile(out), exported);

    run = winreg.string() + " export --utf16 'HKEY_CURRENT_USER\\Identities' " + out.string();
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    std::string utf16 = testsupport::ReadFile(out);
    ASSERT_GE(utf16.size(), 4u);
    EXPECT_EQ(utf16.substr(0, 4), std::string("\xFF\xFEW\0", 4));
    EXPECT_NE(utf16.find(std::string("\r\0\n\0", 4)), std::string::npos);
    testsupport::TempPrefix fresh;
    std::string error;
    ASSERT_EQ(winpal::RegImportFile(out, &error), ERROR_SUCCESS) << error;
    std::string again;
    ASSERT_EQ(winpal::RegExportKey("HKEY_CURRENT_USER\\Identities", &again), ERROR_SUCCESS);
    EXPECT_EQ(again, exported);
}

// A name of 129 characters takes 257 bytes in UTF-8, more than any fixed 256-byte buffer.
TEST_F(RegistryProcesses, WinregToolListsSubkeysWithLongNonAsciiNames) {
    std::filesystem::path winreg = Sibling("winreg");
    const std::string longName = "a" + std::string(128, '\xE9');  // 'e' acute in Windows-1252
    for (const std::string& name : {longName, std::string("b")}) {
        HKEY key = CreateKey(HKEY_CURRENT_USER, ("Long\\" + name).c_str());
        RegCloseKey(key);
    }
    testsupport::TempDir dir;
    std::filesystem::path listing = dir.Path() / "query.txt";
    std::string run = winreg.string() + " query 'HKEY_CURRENT_USER\\Long' > " + listing.string();
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    std::string utf8Name = "a";
    for (int i = 0; i < 128; ++i)
        utf8Name += "\xC3\xA9";
    EXPECT_EQ(testsupport::ReadFile(listing),
              "HKEY_CURRENT_USER\\Long\n"
              "HKEY_CURRENT_USER\\Long\\" +
                  utf8Name +
                  "\n"
                  "HKEY_CURRENT_USER\\Long\\b\n");
}

TEST_F(RegistryProcesses, WinregToolFailsClearly) {
    std::filesystem::path winreg = Sibling("winreg");
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.Path() / "bad.reg",
                           "Windows Registry Editor Version 5.00\n\nnonsense\n");
    std::filesystem::path err = dir.Path() / "err.txt";
    std::string run =
        winreg.string() + " import " + (dir.Path() / "bad.reg").string() + " 2> " + err.string();
    int status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_NE(testsupport::ReadFile(err).find("bad.reg:3: unexpected text"), std::string::npos)
        << testsupport::ReadFile(err);

    run = winreg.string() + " query 'HKEY_CURRENT_USER\\Nothing' 2> " + err.string();
    status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_NE(testsupport::ReadFile(err).find("does not exist"), std::string::npos);

    run = winreg.string() + " frobnicate 2> " + err.string();
    status = std::system(run.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_NE(testsupport::ReadFile(err).find("usage:"), std::string::npos);
}

}  // namespace
