// The library's entry points, exported by name.
#include <winpal/com.h>

#include <olectl/factory.h>

#include "control/Quillbox.h"
#include "control/QuillboxIds.h"

#define QUILLBOX_EXPORT extern "C" __attribute__((visibility("default")))

// Registers the type library, then the control and property-page classes.
QUILLBOX_EXPORT HRESULT DllRegisterServer() {
    return olectl::AfxDllRegisterServer(LIBID_QUILLBOXLib);
}

QUILLBOX_EXPORT HRESULT DllUnregisterServer() {
    return olectl::AfxDllUnregisterServer(LIBID_QUILLBOXLib, kQuillboxTypeLibMajor,
                                          kQuillboxTypeLibMinor);
}

QUILLBOX_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return olectl::AfxDllGetClassObject(rclsid, riid, ppv);
}

QUILLBOX_EXPORT HRESULT DllCanUnloadNow() {
    return olectl::AfxDllCanUnloadNow();
}

// The library's resources (its version, toolbox bitmap and icon) for FindResource and
// GetFileVersionInfo.
QUILLBOX_EXPORT BOOL WinpalFindResource(WORD type, WORD id, const void** data, DWORD* size) {
    return olectl::AfxFindResource(type, id, data, size);
}
