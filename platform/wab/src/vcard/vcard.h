// vCard files (versions 2.1, 3.0 and 4.0): a strict reader that takes a file apart into cards and
// their properties, and the text rules both directions need (escaping, folding, structured
// values). Every value the reader hands out is UTF-8: quoted-printable is decoded and a
// CHARSET parameter converted; a 2.1 card without CHARSET whose text is not UTF-8 is read as
// Windows-1252, as the programs that wrote such cards did.
//
// A card that breaks the format (a line that is no property, an unknown version, bad
// quoted-printable, text that is not in its character set, a missing END) is left out and
// reported with the line where the problem is; the cards around it are still read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vcard {

struct Parameter {
    std::string name;  // upper case; a 2.1 bare value ("WORK") is a TYPE parameter
    std::vector<std::string> values;
};

struct Property {
    int line = 0;
    std::string group;
    std::string name;  // upper case
    std::vector<Parameter> params;
    // The value as text in UTF-8, escapes still in place (see Unescape and SplitValue); for a
    // binary value (ENCODING=BASE64 or B) its base64 text as written, without white space.
    std::string value;
    bool binary = false;

    // Whether a TYPE parameter (or, in 4.0, PREF) lists `type`, without regard to case.
    bool HasType(std::string_view type) const;
    bool IsPreferred() const;
};

struct Card {
    int line = 0;  // the line of BEGIN:VCARD
    std::string version;
    std::vector<Property> properties;
};

struct Problem {
    int line = 0;
    std::string message;
};

struct ReadResult {
    std::vector<Card> cards;
    std::vector<Problem> problems;
};

ReadResult Read(std::string_view text);

// ---- values ----------------------------------------------------------------------------------
// Undoes the backslash escapes: \n and \N become a line break, \\ \, \; \: the character.
std::string Unescape(std::string_view raw);
// Splits a value at every `separator` that is not escaped, and unescapes each part.
std::vector<std::string> SplitValue(std::string_view raw, char separator);
// Escapes backslash, comma, semicolon and line breaks (CR LF, LF or CR become \n).
std::string Escape(std::string_view text);

// ---- lines -----------------------------------------------------------------------------------
// The content line folded at 75 octets (never inside a UTF-8 sequence), each physical line ended
// with CR LF.
std::string Fold(std::string_view line);

// ---- text ------------------------------------------------------------------------------------
bool IsUtf8(std::string_view bytes);
// Converts `bytes` from the character set `charset` to UTF-8; false for an unknown character
// set or bytes that are not text in it.
bool ConvertToUtf8(std::string_view bytes, std::string_view charset, std::string* out);
// Decodes quoted-printable (=XX); false for a lone "=" or bad hexadecimal digits.
bool DecodeQuotedPrintable(std::string_view encoded, std::string* out);
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace vcard
