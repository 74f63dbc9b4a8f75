// In-process servers: libraries named by InprocServer32 registrations, loaded once per path and
// kept until CoFreeUnusedLibraries finds that they can be unloaded.
#pragma once

#include <winpal/com.h>

namespace winpal::detail {

// Asks the in-process server registered for `clsid` for its class object.
// REGDB_E_CLASSNOTREG without a registration, CO_E_DLLNOTFOUND when the library does not load,
// CO_E_ERRORINDLL when it lacks DllGetClassObject, otherwise what DllGetClassObject answers.
HRESULT GetInprocClassObject(REFCLSID clsid, REFIID riid, void** ppv);

}  // namespace winpal::detail
