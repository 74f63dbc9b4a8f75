// A library that looks like a broken in-process server: it has no DllGetClassObject, and its
// registration entry points fail.
#include <winpal/types.h>

STDAPI DllRegisterServer() {
    return SELFREG_E_TYPELIB;
}

STDAPI DllUnregisterServer() {
    return SELFREG_E_CLASS;
}
