// The text rules of vCard values: escapes, structured values, folding, character sets and
// quoted-printable.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "vcard/vcard.h"

namespace vcard {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string Unescape(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            out.push_back(raw[i]);
            continue;
        }
        const char next = raw[i + 1];
        if (next == 'n' || next == 'N') {
            out.push_back('\n');
            ++i;
        } else if (next == '\\' || next == ',' || next == ';' || next == ':') {
            out.push_back(next);
            ++i;
        } else {
            out.push_back('\\');
        }
    }
    return out;
}

std::vector<std::string> SplitValue(std::string_view raw, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= raw.size(); ++i) {
        if (i == raw.size() || raw[i] == separator) {
            parts.push_back(Unescape(raw.substr(start, i - start)));
            start = i + 1;
        } else if (raw[i] == '\\') {
            ++i;
        }
    }
    return parts;
}

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' || c == ',' || c == ';') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string Fold(std::string_view line) {
    constexpr std::size_t kLimit = 75;
    std::string out;
    std::size_t start = 0;
    std::size_t room = kLimit;
    while (line.size() - start > room) {
        std::size_t end = start + room;
        // Never cut a UTF-8 sequence: back off over continuation bytes.
        while (end > start + 1 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
            --end;
        out.append(line.substr(start, end - start));
        out += "\r\n ";
        start = end;
        room = kLimit - 1;
    }
    out.append(line.substr(start));
    out += "\r\n";
    return out;
}

bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        std::uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(bytes[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (d & 0x3F);
        }
        constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool ConvertToUtf8(std::string_view bytes, std::string_view charset, std::string* out) {
    if (EqualNoCase(charset, "UTF-8") || EqualNoCase(charset, "US-ASCII")) {
        if (!IsUtf8(bytes))
            return false;
        *out = std::string(bytes);
        return true;
    }
    iconv_t cd = iconv_open("UTF-8", std::string(charset).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string result;
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[1024];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        result.append(buffer, outPtr - buffer);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (ok)
        *out = std::move(result);
    return ok;
}

bool DecodeQuotedPrintable(std::string_view encoded, std::string* out) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string result;
    result.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '=') {
            result.push_back(encoded[i]);
            continue;
        }
        if (encoded.size() - i < 3)
            return false;
        const int high = hex(encoded[i + 1]);
        const int low = hex(encoded[i + 2]);
        if (high < 0 || low < 0)
            return false;
        result.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    *out = std::move(result);
    return true;
}

}  // namespace vcard
