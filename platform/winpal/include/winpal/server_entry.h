// Calling an in-process server's registration entry point, as regsvr and an installed program's
// first run both do.
#pragma once

#include <filesystem>
#include <string>

#include <winpal/types.h>

namespace winpal {

struct ServerEntryCall {
    enum class Outcome { kDone, kNotLoaded, kNoEntryPoint, kFailed };
    Outcome outcome = Outcome::kDone;
    // The entry point's failure code (kFailed).
    HRESULT result = S_OK;
    // Why the loader refused the library (kNotLoaded).
    std::string loaderReason;
};

// Loads `library`, calls its entry point `entryName` (DllRegisterServer or DllUnregisterServer)
// and frees the library again. COM must be initialised by the caller.
ServerEntryCall CallServerEntry(const std::filesystem::path& library, const char* entryName);

}  // namespace winpal
