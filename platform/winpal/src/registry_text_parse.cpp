// Reading .reg text. Lines may end in CRLF or LF; ";" starts a comment line; hex data may be
// wrapped over several lines, each but the last ending in "\" (regedit wraps at 80 columns and
// indents the continuation lines).
#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "hex_text.h"
#include "registry_text.h"

namespace winpal::reg {

namespace {

constexpr std::u16string_view kVersion5Header = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kRegedit4Header = u"REGEDIT4";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::u16string_view Trim(std::u16string_view s) {
    return TrimRight(TrimLeft(s));
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

// Hands out the lines of a text one at a time, without their LF or CRLF ends.
class LineReader {
  public:
    void Reset(std::u16string_view text) {
        text_ = text;
        pos_ = 0;
        number_ = 0;
    }
    bool Next(std::u16string_view& line) {
        if (pos_ >= text_.size())
            return false;
        std::size_t end = text_.find(u'\n', pos_);
        if (end == std::u16string_view::npos)
            end = text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        pos_ = end + 1;
        ++number_;
        return true;
    }
    // The number of the line Next gave last (1 for the first).
    int Number() const { return number_; }

  private:
    std::u16string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

int LineOfOffset(std::string_view bytes, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            ++line;
    }
    return line;
}

// The line holding the first byte that is not valid UTF-8 (0 when there is none).
int FirstInvalidUtf8Line(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        if (end > start && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                               static_cast<int>(end - start), nullptr, 0) == 0) {
            return LineOfOffset(bytes, start);
        }
        start = end + 1;
    }
    return 0;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto hi = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(bytes[2 * i + (bigEndian ? 1 : 0)]);
        text[i] = static_cast<char16_t>((hi << 8) | lo);
    }
    return text;
}

class Parser {
  public:
    Parser(const std::string& source, std::vector<TextSection>& sections, std::string& error)
        : source_(source), sections_(sections), error_(error) {}

    bool Run(std::string_view bytes) {
        std::u16string text;
        if (!Decode(bytes, text))
            return false;
        lines_.Reset(text);
        if (!ReadHeader())
            return false;
        std::u16string_view line;
        while (lines_.Next(line)) {
            line = Trim(line);
            if (line.empty() || line.front() == u';')
                continue;
            bool ok;
            if (line.front() == u'[') {
                ok = ParseSection(line);
            } else if (line.front() == u'"' || line.front() == u'@') {
                ok = ParseValue(line);
            } else {
                ok = Fail("unexpected text (expected a [key] section or a \"name\"=value line)");
            }
            if (!ok)
                return false;
        }
        return true;
    }

  private:
    int LineNumber() const { return lines_.Number(); }

    bool FailAt(int line, const std::string& reason) {
        error_ = source_ + ":" + std::to_string(line) + ": " + reason;
        return false;
    }
    bool Fail(const std::string& reason) { return FailAt(LineNumber(), reason); }

    bool Decode(std::string_view bytes, std::u16string& text) {
        auto startsWith = [&](std::string_view prefix) {
            return bytes.substr(0, prefix.size()) == prefix;
        };
        if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
            std::string_view body = bytes.substr(2);
            text = DecodeUtf16(body, startsWith("\xFE\xFF"));
            if (body.size() % 2 != 0) {
                int last = 1;
                for (char16_t c : text)
                    last += c == u'\n' ? 1 : 0;
                return FailAt(last, "the file ends in the middle of a UTF-16 character");
            }
            return true;
        }
        if (startsWith("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        if (startsWith("REGEDIT4")) {
            text = AnsiToWide(bytes);
            return true;
        }
        if (bytes.empty())
            return true;
        // Invalid bytes decode to U+FFFD; only then is the text searched for the line to report.
        std::u16string decoded = Utf8ToUtf16(bytes);
        if (decoded.find(u'\uFFFD') != std::u16string::npos) {
            if (int bad = FirstInvalidUtf8Line(bytes)) {
                return FailAt(bad,
                              "text that is not valid UTF-8 (a file without a byte-order mark "
                              "must be UTF-8, or ANSI after a REGEDIT4 first line)");
            }
        }
        text = std::move(decoded);
        return true;
    }

    bool ReadHeader() {
        std::u16string_view first;
        lines_.Next(first);
        first = Trim(first);
        if (first == kVersion5Header)
            return true;
        if (first == kRegedit4Header) {
            regedit4_ = true;
            return true;
        }
        return FailAt(1, "not a registry file: the first line must be \"" +
                             Utf16ToUtf8(kVersion5Header) + "\" or \"REGEDIT4\"");
    }

    bool ParseSection(std::u16string_view line) {
        if (line.back() != u']')
            return Fail("a [key] line must end with \"]\"");
        std::u16string_view inner = line.substr(1, line.size() - 2);
        TextSection section;
        section.line = LineNumber();
        if (!inner.empty() && inner.front() == u'-') {
            section.remove = true;
            inner.remove_prefix(1);
        }
        std::optional<Root> root = SplitFullPath(inner, section.path);
        if (!root) {
            return Fail("unknown root key \"" + Utf16ToUtf8(inner.substr(0, inner.find(u'\\'))) +
                        "\"");
        }
        section.root = *root;
        if (section.path.size() > kMaxKeyDepth)
            return Fail("keys nested too deeply");
        for (const std::u16string& name : section.path) {
            if (name.size() > kMaxKeyNameLength) {
                return Fail("a key name longer than 255 characters");
            }
        }
        sections_.push_back(std::move(section));
        return true;
    }

    // Reads a double-quoted text starting at line[pos]; pos ends after the closing quote.
    static bool ParseQuoted(std::u16string_view line, std::size_t& pos, std::u16string& text) {
        text.clear();
        for (++pos; pos < line.size(); ++pos) {
            char16_t c = line[pos];
            if (c == u'"') {
                ++pos;
                return true;
            }
            if (c == u'\\' && pos + 1 < line.size()) {
                char16_t next = line[++pos];
                if (next == u'n') {
                    text += u'\n';
                } else if (next == u'r') {
                    text += u'\r';
                } else if (next == u'\\' || next == u'"') {
                    text += next;
                } else {
                    text += u'\\';
                    text += next;
                }
            } else {
                text += c;
            }
        }
        return false;
    }

    bool ParseValue(std::u16string_view line) {
        if (sections_.empty() || sections_.back().remove) {
            return Fail("a value line outside a [key] section");
        }
        TextValue value;
        value.line = LineNumber();
        std::size_t pos = 0;
        if (line.front() == u'@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, value.name)) {
            return Fail("a value name without its closing quote");
        }
        std::u16string_view rest = TrimLeft(line.substr(pos));
        if (rest.empty() || rest.front() != u'=')
            return Fail("expected \"=\" after the value name");
        rest = Trim(rest.substr(1));
        if (!ParseData(rest, value))
            return false;
        sections_.back().values.push_back(std::move(value));
        return true;
    }

    bool ParseData(std::u16string_view data, TextValue& value) {
        if (data == u"-") {
            value.remove = true;
            return true;
        }
        if (!data.empty() && data.front() == u'"') {
            std::size_t pos = 0;
            std::u16string text;
            if (!ParseQuoted(data, pos, text))
                return Fail("text data without its closing quote");
            if (pos != data.size())
                return Fail("unexpected text after the closing quote");
            value.type = REG_SZ;
            text += u'\0';
            value.data = Utf16Bytes(text);
            return true;
        }
        if (StartsWithNoCase(data, u"dword:")) {
            DWORD number = 0;
            if (!detail::ParseHex(Trim(data.substr(6)), 8, &number)) {
                return Fail("dword: must be followed by 1 to 8 hex digits");
            }
            value.type = REG_DWORD;
            value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                          static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
            return true;
        }
        if (StartsWithNoCase(data, u"hex:")) {
            value.type = REG_BINARY;
            return ParseHexBytes(data.substr(4), value);
        }
        if (StartsWithNoCase(data, u"hex(")) {
            std::size_t close = data.find(u"):");
            if (close == std::u16string_view::npos ||
                !detail::ParseHex(data.substr(4, close - 4), 8, &value.type)) {
                return Fail("hex(type): needs a type number of 1 to 8 hex digits");
            }
            if (!ParseHexBytes(data.substr(close + 2), value))
                return false;
            if (regedit4_ && (value.type == REG_SZ || value.type == REG_EXPAND_SZ ||
                              value.type == REG_MULTI_SZ)) {
                // REGEDIT4 files hold text data as ANSI bytes; we keep text as UTF-16.
                value.data = Utf16Bytes(AnsiToWide(std::string_view(
                    reinterpret_cast<const char*>(value.data.data()), value.data.size())));
            }
            return true;
        }
        return Fail("unrecognised value data (expected \"text\", dword:, hex: or hex(type):)");
    }

    // Comma-separated bytes of two hex digits; a line ending in "\" continues on the next.
    bool ParseHexBytes(std::u16string_view segment, TextValue& value) {
        for (;;) {
            segment = Trim(segment);
            bool continues = !segment.empty() && segment.back() == u'\\';
            if (continues)
                segment.remove_suffix(1);
            std::size_t start = 0;
            while (start <= segment.size()) {
                std::size_t comma = segment.find(u',', start);
                bool last = comma == std::u16string_view::npos;
                if (last)
                    comma = segment.size();
                std::u16string_view token = Trim(segment.substr(start, comma - start));
                DWORD byte = 0;
                if (!token.empty()) {
                    if (!detail::ParseHex(token, 2, &byte)) {
                        return Fail("\"" + Utf16ToUtf8(token) + "\" is not a hex byte");
                    }
                    value.data.push_back(static_cast<BYTE>(byte));
                } else if (!last) {
                    return Fail("a missing byte between commas in hex data");
                }
                start = comma + 1;
            }
            if (!continues)
                return true;
            if (!lines_.Next(segment))
                return Fail("hex data continues past the end of the file");
        }
    }

    const std::string& source_;
    std::vector<TextSection>& sections_;
    std::string& error_;
    LineReader lines_;
    bool regedit4_ = false;
};

}  // namespace

bool ParseRegText(std::string_view bytes, const std::string& source,
                  std::vector<TextSection>& sections, std::string& error) {
    sections.clear();
    Parser parser(source, sections, error);
    return parser.Run(bytes);
}

}  // namespace winpal::reg
