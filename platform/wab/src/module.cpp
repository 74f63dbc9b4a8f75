// The library's entry points: WABOpen, and self-registration of the library's path where the
// address book's clients look for it (HKEY_LOCAL_MACHINE\Software\Microsoft\WAB\DLLPath).
#include <wab/wabapi.h>
#include <winpal/class_registration.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "address_book.h"
#include "database.h"
#include "location.h"

#define WAB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string OwnPath() {
    return winpal::ModuleFileName(
        winpal::ModuleFromAddress(reinterpret_cast<const void*>(&OwnPath)));
}

// The default value of the DLLPath key; empty when it is not there.
std::string RegisteredPath() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WAB_DLL_PATH_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    char buffer[MAX_PATH * 4] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = REG_NONE;
    std::string path;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
        path = buffer;
    RegCloseKey(key);
    return path;
}

}  // namespace

WAB_EXPORT HRESULT WABOpen(LPADRBOOK* lppAdrBook, LPWABOBJECT* lppWABObject, LPWAB_PARAM lpWP,
                           DWORD) {
    if (!lppAdrBook || !lppWABObject)
        return MAPI_E_INVALID_PARAMETER;
    *lppAdrBook = nullptr;
    *lppWABObject = nullptr;
    std::shared_ptr<wab::Database> db;
    if (HRESULT hr = wab::Database::Open(wab::AddressBookFile(lpWP), &db); FAILED(hr))
        return hr;
    *lppAdrBook = wab::NewAddressBook(db);
    *lppWABObject = wab::NewWabObject();
    return S_OK;
}

WAB_EXPORT HRESULT DllRegisterServer() {
    const std::string path = OwnPath();
    if (path.empty())
        return SELFREG_E_CLASS;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, WAB_DLL_PATH_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    const LONG status =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

// Removes the DLLPath key when it names this library; a registration of another library is
// left in place.
WAB_EXPORT HRESULT DllUnregisterServer() {
    const std::string registered = RegisteredPath();
    if (registered.empty() || registered != OwnPath())
        return S_OK;
    const LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, WAB_DLL_PATH_KEY);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
