// Numbers to and from text in the forms of the US English locale, for variant coercion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <winpal/oleauto.h>

namespace winpal::detail {

// An exact number read from text: (negative ? -1 : 1) x digits x 10^exponent.
struct DecimalNumber {
    bool negative = false;
    std::string digits;  // decimal digits without leading zeros; empty for zero
    long long exponent = 0;
    // For "&H" and "&O" numbers: the bits as written, which unsigned types take as they are.
    bool fromRadixDigits = false;
    std::uint64_t radixBits = 0;
};

// Blanks as the text conversions skip them: the ASCII white space, no-break and ideographic
// spaces.
bool IsBlank(char16_t c);

// Reads a number: leading and trailing blanks, one sign in front or behind ("5-"), or
// parentheses for a negative number, a leading or trailing "$", digits with "," as thousands
// separators, a "." decimal point, an exponent ("1.5E+3", also with "D"), or "&H" hexadecimal and
// "&O" octal digits. Hexadecimal and octal numbers read as their unsigned value; `radixBits`
// keeps the bits, which a signed integer type takes as its own two's complement.
// Returns S_OK, DISP_E_TYPEMISMATCH for anything else, or DISP_E_OVERFLOW for hexadecimal or
// octal digits beyond 64 bits.
HRESULT ParseNumberText(std::u16string_view text, DecimalNumber* number);

// Rounds half to even to an integer; false when the result lies beyond +-2^64.
bool RoundToInteger(const DecimalNumber& number, __int128* value);
// The nearest double; false when the number lies beyond the double range (tiny numbers
// become 0).
bool ToDouble(const DecimalNumber& number, double* value);

// A floating-point value with at most `significantDigits` significant digits, as Basic prints
// it: "0.1", "1E+20", "5.6789E-12", "-0.25"; negative zero is "0".
std::u16string FormatReal(double value, int significantDigits);
std::u16string FormatInteger(__int128 value);
// A currency amount (10000ths) with its fraction cut to the digits it needs: "1.5", "-0.0001".
std::u16string FormatCurrency(LONGLONG amount);

}  // namespace winpal::detail
