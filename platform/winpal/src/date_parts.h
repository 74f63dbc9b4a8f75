// Calendar arithmetic for variant dates (DATE: days since 1899-12-30; for dates before it the
// fraction still counts forward from midnight, so -1.25 is 1899-12-29 06:00).
#pragma once

#include <winpal/oleauto.h>

#include "calendar.h"

namespace winpal::detail {

// A calendar date and time of day, to the second, in the proleptic Gregorian calendar.
struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 0;  // 0 is Sunday; filled in by PartsFromDate only
};

// Variant dates cover 100-01-01 to 9999-12-31.
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;
// Day 0 of variant dates, and the first and last whole days of their range.
constexpr long long kEpoch = DaysFromCivil(1899, 12, 30);
constexpr long long kFirstDay = DaysFromCivil(kFirstYear, 1, 1) - kEpoch;
constexpr long long kLastDay = DaysFromCivil(kLastYear, 12, 31) - kEpoch;
static_assert(kFirstDay == -657434 && kLastDay == 2958465);

// Whether a date falls in the range, from 100-01-01 to the end of 9999-12-31; false for NaN.
constexpr bool IsInDateRange(DATE date) {
    return date > kFirstDay - 1.0 && date < kLastDay + 1.0;
}
// The date of the parts: month 1 to 12, time of day in range; the day counts on from the first
// of the month, so day 0 is the last day of the month before and days past the month's end run
// into the next. False when a field is out of range or the date falls outside 100 to 9999.
bool DateFromParts(const DateParts& parts, DATE* date);
// The parts of a date, rounded to the nearest second; false outside the variant date range.
bool PartsFromDate(DATE date, DateParts* parts);

}  // namespace winpal::detail
