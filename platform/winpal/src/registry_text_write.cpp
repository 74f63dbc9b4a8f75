// Writing .reg text: one "[full\key\path]" section per key, followed by its values in their
// order, then the sections of its subkeys in enumeration order.
#include <cstdio>

#include <winpal/winpal.h>

#include "registry_text.h"

namespace winpal::reg {

namespace {

// Longest line we write before wrapping hex data, as regedit does (",\" then two blanks).
constexpr std::size_t kHexLineWidth = 77;

bool IsSurrogatePairAt(std::u16string_view text, std::size_t i) {
    return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
           text[i + 1] <= 0xDFFF;
}

// Whether REG_SZ data is exactly text plus one terminating NUL, with nothing that the quoted
// form cannot carry (line breaks, unpaired surrogates); `text` receives it without the NUL.
bool IsPlainText(const std::vector<BYTE>& data, std::u16string& text) {
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    text = Utf16FromBytes(data.data(), data.size());
    if (text.back() != u'\0')
        return false;
    text.pop_back();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\0' || c == u'\r' || c == u'\n')
            return false;
        if (IsSurrogatePairAt(text, i)) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

// `text` in double quotes with backslash, quote and line breaks escaped.
std::string Quoted(std::u16string_view text) {
    std::u16string escaped = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            escaped += u'\\';
            escaped += c;
        } else if (c == u'\n') {
            escaped += u"\\n";
        } else if (c == u'\r') {
            escaped += u"\\r";
        } else {
            escaped += c;
        }
    }
    escaped += u'"';
    return Utf16ToUtf8(escaped);
}

std::string HexPrefix(DWORD type) {
    if (type == REG_BINARY)
        return "hex:";
    char prefix[20];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    return prefix;
}

void AppendHex(std::string line, const std::vector<BYTE>& data, std::string& out) {
    std::size_t bytesOnLine = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, "%02x%s", data[i], i + 1 < data.size() ? "," : "");
        std::string_view p(piece);
        if (bytesOnLine > 0 && line.size() + p.size() > kHexLineWidth) {
            out += line;
            out += "\\\n";
            line = "  ";
            bytesOnLine = 0;
        }
        line += p;
        ++bytesOnLine;
    }
    out += line;
    out += '\n';
}

void AppendValue(const Value& value, std::string& out) {
    std::string line = value.name.empty() ? "@=" : Quoted(value.name) + "=";
    std::u16string text;
    if (value.type == REG_SZ && IsPlainText(value.data, text)) {
        out += line + Quoted(text) + "\n";
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        char dword[24];
        DWORD d = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                  (static_cast<DWORD>(value.data[3]) << 24);
        std::snprintf(dword, sizeof dword, "dword:%08x\n", static_cast<unsigned>(d));
        out += line + dword;
    } else {
        AppendHex(line + HexPrefix(value.type), value.data, out);
    }
}

}  // namespace

void AppendRegSections(const Key& key, const std::u16string& fullPath, std::string& out) {
    out += "\n[" + Utf16ToUtf8(fullPath) + "]\n";
    for (const Value& value : key.Values())
        AppendValue(value, out);
    for (const auto& subkey : key.Subkeys()) {
        AppendRegSections(*subkey, fullPath + u"\\" + subkey->Name(), out);
    }
}

}  // namespace winpal::reg
