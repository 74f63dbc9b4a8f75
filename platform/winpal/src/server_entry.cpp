#include <winpal/server_entry.h>

#include <dlfcn.h>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

namespace winpal {

ServerEntryCall CallServerEntry(const std::filesystem::path& library, const char* entryName) {
    ServerEntryCall call;
    HMODULE module = LoadLibraryA(AnsiFromPath(library).c_str());
    if (!module) {
        const char* reason = dlerror();
        call.outcome = ServerEntryCall::Outcome::kNotLoaded;
        call.loaderReason = reason ? reason : "unknown reason";
        return call;
    }
    auto entry = reinterpret_cast<LPFNREGISTERSERVER>(
        reinterpret_cast<void*>(GetProcAddress(module, entryName)));
    if (!entry) {
        call.outcome = ServerEntryCall::Outcome::kNoEntryPoint;
    } else if (const HRESULT result = entry(); FAILED(result)) {
        call.outcome = ServerEntryCall::Outcome::kFailed;
        call.result = result;
    }
    FreeLibrary(module);
    return call;
}

}  // namespace winpal
