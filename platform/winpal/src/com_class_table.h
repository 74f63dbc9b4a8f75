// The table of class objects put in place with CoRegisterClassObject, which activation consults
// before the registry.
#pragma once

#include <winpal/com.h>

namespace winpal::detail {

// A new reference to the class object registered for `clsid` in one of the contexts `context`
// asks for (the earliest such registration still in place), or null.
IUnknown* FindRegisteredClassObject(REFCLSID clsid, DWORD context);

}  // namespace winpal::detail
