// Variant dates to and from text in the US English forms.
#pragma once

#include <string>
#include <string_view>

#include <winpal/oleauto.h>

namespace winpal::detail {

// "1/2/2000", "3:04:05 PM" or "1/2/2000 3:04:05 PM", to the nearest second: a date at midnight
// shows no time, and a time on 1899-12-30 (date 0) shows no date. False outside the variant date
// range.
bool FormatDateText(DATE date, std::u16string* text);

// Reads a date, a time or both, as the US English locale writes them. Dates are month/day/year
// ("1/2/2000", "1-2-2000", "1 2 2000"), year/month/day ("2000-01-02") or day/month/year when
// nothing else fits, with a month name in any position ("January 2, 2000", "2-Jan-2000"); a
// date without a year is in the current year, a month with a year is its first day, and two-digit
// years below 30 are in the 2000s. A time is hours:minutes[:seconds] ("." works as ":") with
// an optional AM or PM, or hours with AM or PM; it goes before or after the date. Returns S_OK
// or DISP_E_TYPEMISMATCH.
HRESULT ParseDateText(std::u16string_view text, DATE* date);

}  // namespace winpal::detail
