#include <winpal/installed_servers.h>

#include <cstdio>
#include <string>
#include <system_error>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/registry.h>
#include <winpal/server_entry.h>
#include <winpal/winpal.h>

#include "com_registry.h"

namespace winpal {
namespace {

// The default value of HKEY_LOCAL_MACHINE\`subKey` as a path, its variables expanded; none when
// it is not there.
std::optional<std::filesystem::path> RegisteredFile(const char* subKey) {
    std::string text;
    if (!detail::ReadClassesRootDefault(subKey, &text, HKEY_LOCAL_MACHINE))
        return std::nullopt;
    return PathFromAnsi(text);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return ec ? a.lexically_normal() == b.lexically_normal() : same;
}

// Loads `library` and calls its DllRegisterServer; empty text on success, the reason otherwise.
std::string CallRegisterServer(const std::filesystem::path& library) {
    const ServerEntryCall call = CallServerEntry(library, "DllRegisterServer");
    switch (call.outcome) {
        case ServerEntryCall::Outcome::kNotLoaded:
            return "the library could not be loaded: " + call.loaderReason;
        case ServerEntryCall::Outcome::kNoEntryPoint:
            return "it has no entry point DllRegisterServer";
        case ServerEntryCall::Outcome::kFailed: {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(call.result));
            return std::string("DllRegisterServer failed with error ") + code;
        }
        case ServerEntryCall::Outcome::kDone:
            break;
    }
    return {};
}

}  // namespace

std::optional<std::filesystem::path> InstalledServerFolder(
    const std::filesystem::path& from, const std::filesystem::path& relative,
    std::span<const InstalledServer> servers) {
    const std::filesystem::path folder = (from / relative).lexically_normal();
    std::error_code ec;
    for (const InstalledServer& server : servers) {
        if (!std::filesystem::is_regular_file(folder / server.file, ec))
            return std::nullopt;
    }
    return folder;
}

std::vector<std::string> RegisterInstalledServers(const std::filesystem::path& folder,
                                                  std::span<const InstalledServer> servers,
                                                  const char* program) {
    const std::string prefix = PrefixPath().string();
    const std::string who = std::string(program) + ": ";
    std::vector<std::string> lines;
    const HRESULT init = CoInitialize(nullptr);
    for (const InstalledServer& server : servers) {
        const std::filesystem::path installed = folder / server.file;
        const std::optional<std::filesystem::path> registered = RegisteredFile(server.pathKey);
        std::error_code ec;
        if (registered && SameFile(*registered, installed))
            continue;
        if (registered && std::filesystem::exists(*registered, ec)) {
            lines.push_back(who + "note: " + server.title + " is registered from " +
                            registered->string() + " in the prefix " + prefix + ", not from " +
                            installed.string() + "; left as it is (regsvr registers another)");
            continue;
        }
        if (const std::string problem = CallRegisterServer(installed); !problem.empty()) {
            lines.push_back(who + server.title + " (" + installed.string() +
                            ") could not be registered in the prefix " + prefix + ": " + problem);
            continue;
        }
        std::string line = who + "registered " + server.title + " (" + installed.string() +
                           ") in the prefix " + prefix;
        if (registered)
            line += " in place of the missing " + registered->string();
        lines.push_back(line);
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return lines;
}

}  // namespace winpal
