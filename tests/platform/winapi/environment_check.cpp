// ExpandEnvironmentStringsA and GetTempPathA: results, sizes and truncation.
#include <string>

#include "check.h"

namespace {

// The separator the platform puts at the end of a folder name: Windows' backslash, and on
// Linux the platform's own separator, which is what a file name made from it needs there.
constexpr char kSeparator = kOnWindows ? '\\' : '/';

struct Expanded {
    DWORD result;
    std::string text;
};

Expanded Expand(const char* source, DWORD size = 256) {
    std::string buffer(size, '#');
    Expanded e;
    e.result = ExpandEnvironmentStringsA(source, size ? buffer.data() : nullptr, size);
    e.text = buffer.c_str();
    return e;
}

}  // namespace

CHECK_CASE(ExpandEnvironmentStringsResults) {
    CHECK_EQ(SetEnvironmentVariableA("WINAPI_CHECK_NAME", "Value"), TRUE);
    CHECK_EQ(SetEnvironmentVariableA("WINAPI_CHECK_UNSET", nullptr), TRUE);
    struct Case {
        const char* source;
        const char* text;
    };
    for (Case c :
         {Case{"%WINAPI_CHECK_NAME%", "Value"},
          {"a%winapi_check_name%b", "aValueb"},
          {"%WINAPI_CHECK_NAME%%WINAPI_CHECK_NAME%", "ValueValue"},
          {"%WINAPI_CHECK_UNSET%", "%WINAPI_CHECK_UNSET%"},
          {"%WINAPI_CHECK_UNSET%WINAPI_CHECK_NAME%", "%WINAPI_CHECK_UNSET%WINAPI_CHECK_NAME%"},
          {"100%", "100%"},
          {"%%", "%%"},
          {"%", "%"},
          {"%WINAPI_CHECK_NAME", "%WINAPI_CHECK_NAME"},
          {"", ""},
          {"no variables", "no variables"}}) {
        Expanded e = Expand(c.source);
        CHECK_EQ(e.text, std::string(c.text));
        // The result counts the NUL.
        CHECK_EQ(e.result, std::string(c.text).size() + 1);
    }
    // Too small: the size needed, whatever the buffer got.
    CHECK_EQ(Expand("%WINAPI_CHECK_NAME%", 3).result, 6u);
    CHECK_EQ(Expand("%WINAPI_CHECK_NAME%", 0).result, 6u);
    CHECK_EQ(Expand("%WINAPI_CHECK_NAME%", 5).result, 6u);
    Expanded exact = Expand("%WINAPI_CHECK_NAME%", 6);
    CHECK_EQ(exact.result, 6u);
    CHECK_EQ(exact.text, "Value");
    // A variable set to empty text is gone, as Windows has no empty variables.
    CHECK_EQ(SetEnvironmentVariableA("WINAPI_CHECK_NAME", nullptr), TRUE);
    CHECK_EQ(Expand("%WINAPI_CHECK_NAME%").text, "%WINAPI_CHECK_NAME%");
    char value[8];
    SetLastError(0);
    CHECK_EQ(GetEnvironmentVariableA("WINAPI_CHECK_NAME", value, sizeof value), 0u);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
    CHECK_EQ(SetEnvironmentVariableA("winapi_check_name", "x"), TRUE);
    CHECK_EQ(GetEnvironmentVariableA("WINAPI_CHECK_NAME", value, sizeof value), 1u);
    CHECK_EQ(GetEnvironmentVariableA("WINAPI_CHECK_NAME", value, 1), 2u);
    CHECK_EQ(SetEnvironmentVariableA("winapi_check_name", nullptr), TRUE);
}

CHECK_CASE(TempPathFromTheEnvironment) {
    char saved[MAX_PATH] = {};
    DWORD hadTmp = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    const std::string folder = kOnWindows ? "C:\\winapi-check" : "/tmp/winapi-check";
    for (const std::string& value : {folder, folder + kSeparator}) {
        CHECK_EQ(SetEnvironmentVariableA("TMP", value.c_str()), TRUE);
        char path[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, path);
        // One separator at the end, and the length without the NUL.
        CHECK_EQ(std::string(path), folder + kSeparator);
        CHECK_EQ(length, folder.size() + 1);
    }
    CHECK_EQ(SetEnvironmentVariableA("TMP", folder.c_str()), TRUE);
    // Too small (the NUL needs room too): the size needed with the NUL.
    char path[MAX_PATH];
    const DWORD needed = static_cast<DWORD>(folder.size() + 2);
    CHECK_EQ(GetTempPathA(needed - 1, path), needed);
    CHECK_EQ(GetTempPathA(0, nullptr), needed);
    CHECK_EQ(GetTempPathA(needed, path), needed - 1);
    SetEnvironmentVariableA("TMP", hadTmp ? saved : nullptr);
}
