// ProgIDs: HKEY_CLASSES_ROOT\<ProgID>\CLSID names the class, HKEY_CLASSES_ROOT\CLSID\{..}\ProgID
// names the ProgID of a class.
#include <string>

#include <winpal/com.h>
#include <winpal/winpal.h>

#include "com_registry.h"
#include "guid_text.h"

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    const std::string progId = winpal::WideToAnsi(lpszProgID);
    std::string text;
    if (progId.empty() || !winpal::detail::ReadClassesRootDefault(progId + "\\CLSID", &text) ||
        !winpal::detail::ParseGuid(winpal::AnsiToWide(text), lpclsid)) {
        return CO_E_CLASSSTRING;
    }
    return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
    if (!lplpszProgID)
        return E_INVALIDARG;
    *lplpszProgID = nullptr;
    std::string progId;
    if (!winpal::detail::ReadClassesRootDefault("CLSID\\" + winpal::GuidText(clsid) + "\\ProgID",
                                                &progId)) {
        return REGDB_E_CLASSNOTREG;
    }
    const std::u16string wide = winpal::AnsiToWide(progId);
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (!out)
        return E_OUTOFMEMORY;
    std::char_traits<char16_t>::copy(out, wide.c_str(), wide.size() + 1);
    *lplpszProgID = out;
    return S_OK;
}
