// Numbers to and from text for variant coercion. Parsing and formatting never depend on the C
// locale (a Qt program sets it from the user's environment): the forms are always those of the
// US English locale.
#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

#include "hex_text.h"

namespace winpal::detail {
namespace {

constexpr long long kExponentLimit = 1000000000;  // beyond any double or integer

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The value of a hexadecimal or octal digit, or -1.
int RadixDigit(char16_t c, unsigned radix) {
    const int v = HexDigitValue(c);
    return v >= 0 && static_cast<unsigned>(v) < radix ? v : -1;
}

// Signs, parentheses and currency symbols around the digits.
struct Affixes {
    bool plus = false;
    bool minus = false;
    bool openParen = false;
    bool closeParen = false;
    bool currency = false;

    bool HasSign() const { return plus || minus || openParen; }
};

// Stores |value| with its sign in `number`.
void SetFromInteger(__int128 value, DecimalNumber* number) {
    number->negative = value < 0;
    unsigned __int128 magnitude = value < 0 ? -static_cast<unsigned __int128>(value) : value;
    std::string digits;
    while (magnitude > 0) {
        digits.push_back(static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    }
    std::reverse(digits.begin(), digits.end());
    number->digits = digits;
    number->exponent = 0;
}

// Reads "&H..." or "&O..." digits at text[i] (just past the prefix).
HRESULT ParseRadixDigits(std::u16string_view text, std::size_t& i, unsigned radix,
                         DecimalNumber* number) {
    unsigned shift = radix == 16 ? 4 : 3;
    std::uint64_t value = 0;
    bool any = false;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        int d = RadixDigit(text[i], radix);
        if (d < 0)
            break;
        any = true;
        if (value >> (64 - shift))
            overflow = true;
        value = (value << shift) | static_cast<unsigned>(d);
    }
    if (!any)
        return DISP_E_TYPEMISMATCH;
    if (overflow)
        return DISP_E_OVERFLOW;
    SetFromInteger(static_cast<__int128>(value), number);
    number->fromRadixDigits = true;
    number->radixBits = value;
    return S_OK;
}

// Reads digits with thousands separators, a decimal point and an exponent at text[i].
HRESULT ParseDecimalDigits(std::u16string_view text, std::size_t& i, DecimalNumber* number) {
    std::string digits;
    long long fractionDigits = 0;
    for (; i < text.size() && (IsDigit(text[i]) || text[i] == u','); ++i) {
        if (text[i] != u',')
            digits.push_back(static_cast<char>(text[i]));
    }
    if (i < text.size() && text[i] == u'.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            digits.push_back(static_cast<char>(text[i]));
            ++fractionDigits;
        }
    }
    if (digits.empty())
        return DISP_E_TYPEMISMATCH;
    long long exponent = 0;
    if (i < text.size() &&
        (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            ++i;
        }
        if (i >= text.size() || !IsDigit(text[i]))
            return DISP_E_TYPEMISMATCH;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            exponent = std::min(exponent * 10 + (text[i] - u'0'), kExponentLimit);
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    // Keeps only the significant digits: leading zeros go, trailing zeros move into the exponent.
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) {
        number->digits.clear();
        number->exponent = 0;
        return S_OK;
    }
    std::size_t last = digits.find_last_not_of('0');
    number->digits = digits.substr(first, last - first + 1);
    number->exponent = exponent - fractionDigits + static_cast<long long>(digits.size() - 1 - last);
    return S_OK;
}

}  // namespace

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x00A0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

HRESULT ParseNumberText(std::u16string_view text, DecimalNumber* number) {
    Affixes affixes;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsBlank(c))
            continue;
        if (c == u'+' && !affixes.HasSign()) {
            affixes.plus = true;
        } else if (c == u'-' && !affixes.HasSign()) {
            affixes.minus = true;
        } else if (c == u'(' && !affixes.HasSign()) {
            affixes.openParen = true;
        } else if (c == u'$' && !affixes.currency) {
            affixes.currency = true;
        } else {
            break;
        }
    }
    DecimalNumber result;
    HRESULT hr;
    if (i + 1 < text.size() && text[i] == u'&' &&
        (text[i + 1] == u'h' || text[i + 1] == u'H' || text[i + 1] == u'o' ||
         text[i + 1] == u'O')) {
        unsigned radix = (text[i + 1] == u'h' || text[i + 1] == u'H') ? 16 : 8;
        i += 2;
        hr = ParseRadixDigits(text, i, radix, &result);
    } else {
        hr = ParseDecimalDigits(text, i, &result);
    }
    if (hr == DISP_E_TYPEMISMATCH)
        return hr;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsBlank(c))
            continue;
        if ((c == u'+' || c == u'-') && !affixes.HasSign()) {
            (c == u'+' ? affixes.plus : affixes.minus) = true;
        } else if (c == u')' && affixes.openParen && !affixes.closeParen) {
            affixes.closeParen = true;
        } else if (c == u'$' && !affixes.currency) {
            affixes.currency = true;
        } else {
            return DISP_E_TYPEMISMATCH;
        }
    }
    if (affixes.openParen != affixes.closeParen)
        return DISP_E_TYPEMISMATCH;
    if (FAILED(hr))
        return hr;  // well-formed, but too many hexadecimal or octal digits
    if ((affixes.minus || affixes.openParen) && !result.digits.empty()) {
        result.negative = !result.negative;
        result.fromRadixDigits = false;  // a negative number has no unsigned bits
    }
    *number = std::move(result);
    return S_OK;
}

bool RoundToInteger(const DecimalNumber& number, __int128* value) {
    const std::string& digits = number.digits;
    long long size = static_cast<long long>(digits.size());
    long long integerDigits = size + number.exponent;
    if (digits.empty() || integerDigits < 0) {  // below 0.1 in magnitude
        *value = 0;
        return true;
    }
    if (integerDigits > 20)
        return false;
    unsigned __int128 magnitude = 0;
    for (long long k = 0; k < integerDigits; ++k) {
        magnitude = magnitude * 10 + (k < size ? digits[k] - '0' : 0);
    }
    if (integerDigits < size) {
        int firstFraction = digits[integerDigits] - '0';
        // The digits carry no trailing zeros: anything after the first fraction digit is non-zero.
        bool moreFraction = integerDigits + 1 < size;
        bool odd = (magnitude & 1) != 0;
        if (firstFraction > 5 || (firstFraction == 5 && (moreFraction || odd)))
            ++magnitude;
    }
    constexpr unsigned __int128 kLimit = static_cast<unsigned __int128>(1) << 64;
    if (magnitude > kLimit)
        return false;
    *value = number.negative ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
    return true;
}

bool ToDouble(const DecimalNumber& number, double* value) {
    if (number.digits.empty()) {
        *value = 0.0;
        return true;
    }
    std::string text = number.digits + "e" + std::to_string(number.exponent);
    double result = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (ec == std::errc::result_out_of_range) {
        // Too large is an overflow; too small is zero.
        if (static_cast<long long>(number.digits.size()) + number.exponent > 0)
            return false;
        result = 0.0;
    } else if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    *value = number.negative ? -result : result;
    return true;
}

std::u16string FormatReal(double value, int significantDigits) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value,
                                   std::chars_format::general, significantDigits);
    if (ec != std::errc())
        return std::u16string();
    std::string_view printed(buffer, static_cast<std::size_t>(end - buffer));
    if (printed == "-0")
        printed = "0";
    std::u16string text;
    for (char c : printed) {
        text.push_back(static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    }
    return text;
}

std::u16string FormatInteger(__int128 value) {
    unsigned __int128 magnitude = value < 0 ? -static_cast<unsigned __int128>(value) : value;
    std::u16string text;
    do {
        text.push_back(static_cast<char16_t>(u'0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0)
        text.push_back(u'-');
    std::reverse(text.begin(), text.end());
    return text;
}

std::u16string FormatCurrency(LONGLONG amount) {
    constexpr int kScale = 10000;
    __int128 whole = amount / kScale;
    int fraction = static_cast<int>(amount % kScale);
    std::u16string text = FormatInteger(whole);
    if (amount < 0 && whole == 0)
        text.insert(text.begin(), u'-');
    if (fraction != 0) {
        fraction = fraction < 0 ? -fraction : fraction;
        std::u16string digits = FormatInteger(fraction + kScale).substr(1);  // four digits
        digits.erase(digits.find_last_not_of(u'0') + 1);
        text += u'.';
        text += digits;
    }
    return text;
}

}  // namespace winpal::detail
