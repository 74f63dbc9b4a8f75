// ShellExecuteA's "open": the file goes to the desktop's opener in a process of its own, which
// is reaped in the background so that no zombie stays behind.
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>

#include <winpal/shellapi.h>
#include <winpal/winpal.h>

extern char** environ;

namespace {

HINSTANCE Result(INT code) {
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code));
}

// The started opener's result: any value above 32 means success.
constexpr INT kStarted = 42;

bool IsOpenVerb(LPCSTR verb) {
    return !verb || !*verb || strcasecmp(verb, "open") == 0;
}

std::string Opener() {
    const char* command = std::getenv("WINPAL_SHELL_OPEN");
    return command && *command ? command : "xdg-open";
}

}  // namespace

HINSTANCE ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT) {
    if (!lpFile || !*lpFile)
        return Result(ERROR_FILE_NOT_FOUND);
    if (!IsOpenVerb(lpOperation) || (lpParameters && *lpParameters))
        return Result(SE_ERR_NOASSOC);
    std::filesystem::path file = winpal::PathFromAnsi(lpFile);
    if (file.is_relative() && lpDirectory && *lpDirectory)
        file = winpal::PathFromAnsi(lpDirectory) / file;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return Result(ERROR_FILE_NOT_FOUND);

    const std::string opener = Opener();
    const std::string path = std::filesystem::absolute(file, ec).string();
    char* argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, opener.c_str(), nullptr, nullptr, argv, environ) != 0)
        return Result(SE_ERR_NOASSOC);
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return Result(kStarted);
}
