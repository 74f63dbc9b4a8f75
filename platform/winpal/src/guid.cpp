// GUIDs as text and new random GUIDs.
#include <sys/random.h>

#include <cerrno>
#include <cstdio>

#include <winpal/com.h>
#include <winpal/winpal.h>

#include "guid_text.h"
#include "hex_text.h"

namespace winpal::detail {

namespace {

constexpr std::size_t kGuidTextLength = 38;

// Reads the `digits` hexadecimal digits at text[pos].
bool ReadHex(std::u16string_view text, std::size_t pos, std::size_t digits, std::uint32_t* value) {
    return ParseHex(text.substr(pos, digits), digits, value);
}

}  // namespace

bool ParseGuid(std::u16string_view text, GUID* guid) {
    if (text.size() != kGuidTextLength || text[0] != u'{' || text[9] != u'-' || text[14] != u'-' ||
        text[19] != u'-' || text[24] != u'-' || text[37] != u'}') {
        return false;
    }
    GUID g{};
    std::uint32_t v = 0;
    if (!ReadHex(text, 1, 8, &v))
        return false;
    g.Data1 = v;
    if (!ReadHex(text, 10, 4, &v))
        return false;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 15, 4, &v))
        return false;
    g.Data3 = static_cast<std::uint16_t>(v);
    static constexpr std::size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, kBytePositions[i], 2, &v))
            return false;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    *guid = g;
    return true;
}

}  // namespace winpal::detail

namespace winpal {

std::string GuidText(REFGUID g) {
    char text[detail::kGuidTextLength + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return std::string(text, detail::kGuidTextLength);
}

}  // namespace winpal

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    std::string text = winpal::GuidText(rguid);
    if (!lpsz || cchMax < static_cast<int>(text.size() + 1))
        return 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        lpsz[i] = static_cast<OLECHAR>(text[i]);
    lpsz[text.size()] = u'\0';
    return static_cast<int>(text.size() + 1);
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
    if (!lplpsz)
        return E_INVALIDARG;
    constexpr int kChars = 39;
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc(kChars * sizeof(OLECHAR)));
    *lplpsz = text;
    if (!text)
        return E_OUTOFMEMORY;
    StringFromGUID2(rclsid, text, kChars);
    return S_OK;
}

HRESULT StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) {
    return StringFromCLSID(rclsid, lplpsz);
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!pclsid)
        return E_INVALIDARG;
    // A null or empty string stands for CLSID_NULL, as on Windows.
    if (!lpsz || !*lpsz) {
        *pclsid = CLSID_NULL;
        return S_OK;
    }
    if (winpal::detail::ParseGuid(lpsz, pclsid))
        return S_OK;
    // As on Windows, text that is not a GUID may be a ProgID.
    CLSID fromProgId{};
    if (FAILED(CLSIDFromProgID(lpsz, &fromProgId)))
        return CO_E_CLASSSTRING;
    *pclsid = fromProgId;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
    if (!lpiid)
        return E_INVALIDARG;
    // A null string stands for IID_NULL, as on Windows.
    if (!lpsz) {
        *lpiid = IID_NULL;
        return S_OK;
    }
    return winpal::detail::ParseGuid(lpsz, lpiid) ? S_OK : E_INVALIDARG;
}

HRESULT CoCreateGuid(GUID* pguid) {
    if (!pguid)
        return E_INVALIDARG;
    GUID g{};
    auto* bytes = reinterpret_cast<unsigned char*>(&g);
    std::size_t filled = 0;
    while (filled < sizeof g) {
        ssize_t n = getrandom(bytes + filled, sizeof g - filled, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return E_FAIL;
        }
        filled += static_cast<std::size_t>(n);
    }
    // Version 4 (random) in the top nibble of Data3, variant 10xx in the top bits of Data4[0].
    g.Data3 = static_cast<std::uint16_t>((g.Data3 & 0x0FFF) | 0x4000);
    g.Data4[0] = static_cast<std::uint8_t>((g.Data4[0] & 0x3F) | 0x80);
    *pguid = g;
    return S_OK;
}
