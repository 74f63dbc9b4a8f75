// Hexadecimal digits in text, for the readers of GUIDs, .reg data and numbers.
#pragma once

#include <cstdint>
#include <string_view>

namespace winpal::detail {

// The value of a hexadecimal digit in either case, or -1.
inline int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads all of `text` as 1 to `maxDigits` (at most 8) hexadecimal digits; false otherwise.
inline bool ParseHex(std::u16string_view text, std::size_t maxDigits, std::uint32_t* value) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    std::uint32_t number = 0;
    for (char16_t c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        number = (number << 4) | static_cast<std::uint32_t>(digit);
    }
    *value = number;
    return true;
}

}  // namespace winpal::detail
