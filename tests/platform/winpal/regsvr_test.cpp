#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "test_server.h"

namespace {

struct RunResult {
    int exitCode;
    std::string output;  // standard output and standard error together
};

// Runs regsvr with `arguments` in `folder`, with this program's environment (and so its prefix).
RunResult RunRegsvr(const std::string& arguments, const std::filesystem::path& folder = ".") {
    const std::string command =
        "cd '" + folder.string() + "' && '" WINPAL_REGSVR_PATH "' " + arguments + " 2>&1";
    RunResult result{-1, ""};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 512> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        result.output.append(buffer.data(), n);
    }
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

HRESULT CreateTestObject() {
    winpal::ComPtr<ITestObject> object;
    return CoCreateInstance(CLSID_WinpalTestObject, nullptr, CLSCTX_INPROC_SERVER, IID_ITestObject,
                            object.PutVoid());
}

TEST(Regsvr, HelpAndWrongArguments) {
    RunResult help = RunRegsvr("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("Usage: regsvr [-u] LIBRARY"), std::string::npos);
    EXPECT_NE(help.output.find("DllUnregisterServer"), std::string::npos);

    RunResult none = RunRegsvr("");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.output.find("Usage:"), std::string::npos);
    EXPECT_EQ(RunRegsvr("-x lib.so").exitCode, 1);
    EXPECT_EQ(RunRegsvr("a.so b.so").exitCode, 1);
}

TEST(Regsvr, RegistersAndUnregistersFromARelativePath) {
    const std::filesystem::path server(WINPAL_TESTSERVER_PATH);
    const std::string name = server.filename().string();
    RunResult registered = RunRegsvr(Quoted(name), server.parent_path());
    EXPECT_EQ(registered.exitCode, 0) << registered.output;
    EXPECT_EQ(registered.output, "DllRegisterServer in " + server.string() + " succeeded.\n");
    EXPECT_EQ(CreateTestObject(), S_OK);

    RunResult unregistered = RunRegsvr("-u " + Quoted(name), server.parent_path());
    EXPECT_EQ(unregistered.exitCode, 0) << unregistered.output;
    EXPECT_EQ(unregistered.output, "DllUnregisterServer in " + server.string() + " succeeded.\n");
    EXPECT_EQ(CreateTestObject(), REGDB_E_CLASSNOTREG);
    CoFreeUnusedLibraries();
}

TEST(Regsvr, MissingLibraryOrEntryPoint) {
    RunResult missing = RunRegsvr("/no/such/folder/libnothing.so");
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.output.find("/no/such/folder/libnothing.so"), std::string::npos);

    // The platform library itself exports no registration entry points.
    char winpal[4096];
    DWORD n = GetModuleFileNameA(
        winpal::ModuleFromAddress(reinterpret_cast<const void*>(&CoTaskMemAlloc)), winpal,
        sizeof winpal);
    ASSERT_GT(n, 0u);
    RunResult noEntry = RunRegsvr(Quoted(winpal));
    EXPECT_EQ(noEntry.exitCode, 4);
    EXPECT_NE(noEntry.output.find("DllRegisterServer"), std::string::npos);
}

TEST(Regsvr, FailingEntryPointReportsItsResult) {
    RunResult failed = RunRegsvr(Quoted(WINPAL_REFUSINGSERVER_PATH));
    EXPECT_EQ(failed.exitCode, 5);
    EXPECT_NE(failed.output.find("DllRegisterServer"), std::string::npos);
    EXPECT_NE(failed.output.find("0x80040200"), std::string::npos) << failed.output;
    RunResult failedUnregister = RunRegsvr("-u " + Quoted(WINPAL_REFUSINGSERVER_PATH));
    EXPECT_EQ(failedUnregister.exitCode, 5);
    EXPECT_NE(failedUnregister.output.find("0x80040201"), std::string::npos);
}

}  // namespace
