// regsvr: registers an in-process server by calling its DllRegisterServer, or unregisters it
// with -u through DllUnregisterServer, as regsvr32 does on Windows. The exit codes are those of
// regsvr32: 0 done, 1 wrong arguments, 3 library not loaded, 4 entry point missing, 5 the entry
// point failed.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/server_entry.h>
#include <winpal/winpal.h>

#include "program_version.h"

namespace {

constexpr int kExitArguments = 1;
constexpr int kExitLoad = 3;
constexpr int kExitEntryPoint = 4;
constexpr int kExitFailed = 5;

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: regsvr [-u] LIBRARY\n"
        "\n"
        "Registers the in-process server LIBRARY by calling its DllRegisterServer entry point,\n"
        "which writes the server's classes into the registry of the prefix (WINPAL_PREFIX).\n"
        "\n"
        "  -u        unregister instead: call DllUnregisterServer\n"
        "  --help    show this text\n"
        "  --version show the program's name and version\n"
        "\n"
        "A relative LIBRARY is taken from the current folder. The exit status is 0 on success,\n"
        "1 for wrong arguments, 3 when the library cannot be loaded, 4 when it lacks the entry\n"
        "point and 5 when the entry point reports a failure.\n",
        out);
}

bool IsOption(const char* arg, const char* dashForm, const char* slashForm) {
    return std::strcmp(arg, dashForm) == 0 || std::strcmp(arg, slashForm) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (IsOption(arg, "--help", "/?") || std::strcmp(arg, "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::puts(program_version::kLine);
            return 0;
        }
        if (IsOption(arg, "-u", "/u")) {
            unregister = true;
        } else if (arg[0] == '-') {
            std::fprintf(stderr, "regsvr: unknown option %s\n\n", arg);
            PrintUsage(stderr);
            return kExitArguments;
        } else if (library) {
            std::fprintf(stderr, "regsvr: give one library only\n\n");
            PrintUsage(stderr);
            return kExitArguments;
        } else {
            library = arg;
        }
    }
    if (!library) {
        PrintUsage(stderr);
        return kExitArguments;
    }

    // The server registers the path it was loaded from, so that path must be a full one.
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(library, ec).lexically_normal();
    if (ec)
        path = library;
    const std::string shown = path.string();
    const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";

    HRESULT init = CoInitialize(nullptr);
    const winpal::ServerEntryCall call = winpal::CallServerEntry(path, entryName);
    if (SUCCEEDED(init))
        CoUninitialize();
    switch (call.outcome) {
        case winpal::ServerEntryCall::Outcome::kNotLoaded:
            if (!std::filesystem::exists(path, ec)) {
                std::fprintf(stderr, "regsvr: the library %s was not found.\n", shown.c_str());
            } else {
                std::fprintf(stderr, "regsvr: the library %s could not be loaded: %s\n",
                             shown.c_str(), call.loaderReason.c_str());
            }
            return kExitLoad;
        case winpal::ServerEntryCall::Outcome::kNoEntryPoint:
            std::fprintf(stderr, "regsvr: %s has no entry point %s.\n", shown.c_str(), entryName);
            return kExitEntryPoint;
        case winpal::ServerEntryCall::Outcome::kFailed:
            std::fprintf(stderr, "%s in %s failed with error 0x%08X.\n", entryName, shown.c_str(),
                         static_cast<unsigned>(call.result));
            return kExitFailed;
        case winpal::ServerEntryCall::Outcome::kDone:
            break;
    }
    std::printf("%s in %s succeeded.\n", entryName, shown.c_str());
    return 0;
}
