// Code-page conversions: the ANSI code page (Windows-1252 unless WINPAL_ACP says otherwise),
// ISO-8859-1 and UTF-8, with the Windows buffer and error conventions.
#include <array>
#include <cstdlib>
#include <string>

#include <winpal/kernel.h>
#include <winpal/winpal.h>

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the C1
// control with the same number, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr UINT kCp1252 = 1252;
constexpr UINT kLatin1 = 28591;

bool IsKnownSingleByte(UINT cp) {
    return cp == kCp1252 || cp == kLatin1;
}

UINT ResolveCodePage(UINT cp) {
    if (cp == CP_ACP || cp == CP_OEMCP)
        return GetACP();
    return cp;
}

char16_t SingleByteToWide(UINT cp, unsigned char b) {
    if (cp == kCp1252 && b >= 0x80 && b <= 0x9F)
        return kCp1252High[b - 0x80];
    return b;
}

// The byte for `c`, or -1 when the code page has none.
int WideToSingleByte(UINT cp, char16_t c) {
    if (cp == kLatin1)
        return c <= 0xFF ? c : -1;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns the code point or -1 for an invalid sequence
// (advancing past the bytes that belong to it).
long DecodeUtf8(const unsigned char* s, std::size_t n, std::size_t& i) {
    unsigned char b = s[i++];
    if (b < 0x80)
        return b;
    int extra;
    long cp;
    long min;
    if ((b & 0xE0) == 0xC0) {
        extra = 1, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3, cp = b & 0x07, min = 0x10000;
    } else {
        return -1;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= n || (s[i] & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (s[i++] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    return cp;
}

void AppendUtf16(std::u16string& out, long cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Converts to UTF-16; false when `strict` and the input holds an invalid sequence.
bool Decode(UINT cp, std::string_view in, bool strict, std::u16string& out) {
    out.clear();
    out.reserve(in.size());
    if (cp == CP_UTF8) {
        auto* s = reinterpret_cast<const unsigned char*>(in.data());
        for (std::size_t i = 0; i < in.size();) {
            long c = DecodeUtf8(s, in.size(), i);
            if (c < 0) {
                if (strict)
                    return false;
                c = 0xFFFD;
            }
            AppendUtf16(out, c);
        }
        return true;
    }
    for (char ch : in)
        out.push_back(SingleByteToWide(cp, static_cast<unsigned char>(ch)));
    return true;
}

// Converts from UTF-16; `usedDefault` tells whether a character had no equivalent.
bool Encode(UINT cp, std::u16string_view in, bool strict, char defaultChar, std::string& out,
            bool& usedDefault) {
    out.clear();
    out.reserve(in.size());
    usedDefault = false;
    if (cp == CP_UTF8) {
        for (std::size_t i = 0; i < in.size(); ++i) {
            unsigned long c = in[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
                in[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                if (strict)
                    return false;
                c = 0xFFFD;
            }
            AppendUtf8(out, c);
        }
        return true;
    }
    for (char16_t c : in) {
        int b = WideToSingleByte(cp, c);
        if (b < 0) {
            usedDefault = true;
            out.push_back(defaultChar);
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
    return true;
}

}  // namespace

UINT GetACP() {
    const char* env = std::getenv("WINPAL_ACP");
    if (env && *env) {
        char* end = nullptr;
        unsigned long cp = std::strtoul(env, &end, 10);
        if (end && *end == '\0' && (cp == CP_UTF8 || IsKnownSingleByte(static_cast<UINT>(cp)))) {
            return static_cast<UINT>(cp);
        }
    }
    return kCp1252;
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
    UINT cp = ResolveCodePage(CodePage);
    if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cp != CP_UTF8 && !IsKnownSingleByte(cp)) || (cchWideChar > 0 && !lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t n = cbMultiByte < 0 ? std::char_traits<char>::length(lpMultiByteStr) + 1
                                    : static_cast<std::size_t>(cbMultiByte);
    std::u16string out;
    if (!Decode(cp, std::string_view(lpMultiByteStr, n), (dwFlags & MB_ERR_INVALID_CHARS) != 0,
                out)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (cchWideChar == 0)
        return static_cast<int>(out.size());
    if (out.size() > static_cast<std::size_t>(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::char_traits<char16_t>::copy(lpWideCharStr, out.data(), out.size());
    return static_cast<int>(out.size());
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar) {
    UINT cp = ResolveCodePage(CodePage);
    bool badUtf8Args = cp == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar);
    if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 || badUtf8Args ||
        (cp != CP_UTF8 && !IsKnownSingleByte(cp)) || (cbMultiByte > 0 && !lpMultiByteStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t n = cchWideChar < 0 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                    : static_cast<std::size_t>(cchWideChar);
    std::string out;
    bool usedDefault = false;
    char defaultChar = lpDefaultChar ? *lpDefaultChar : '?';
    if (!Encode(cp, std::u16string_view(lpWideCharStr, n), (dwFlags & WC_ERR_INVALID_CHARS) != 0,
                defaultChar, out, usedDefault)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte == 0)
        return static_cast<int>(out.size());
    if (out.size() > static_cast<std::size_t>(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::char_traits<char>::copy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
}

namespace winpal {

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    Decode(CP_UTF8, utf8, false, out);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    bool usedDefault = false;
    Encode(CP_UTF8, utf16, false, '?', out, usedDefault);
    return out;
}

std::u16string AnsiToWide(std::string_view ansi) {
    std::u16string out;
    Decode(GetACP(), ansi, false, out);
    return out;
}

std::string WideToAnsi(std::u16string_view wide) {
    std::string out;
    bool usedDefault = false;
    Encode(GetACP(), wide, false, '?', out, usedDefault);
    return out;
}

}  // namespace winpal
