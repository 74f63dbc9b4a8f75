// Variant dates: calendar arithmetic, SystemTimeToVariantTime and VariantTimeToSystemTime.
#include <cmath>

#include <winpal/oleauto.h>

#include "date_parts.h"

namespace winpal::detail {
namespace {

constexpr long long kSecondsPerDay = 86400;

}  // namespace

bool DateFromParts(const DateParts& parts, DATE* date) {
    if (parts.month < 1 || parts.month > 12 || parts.hour < 0 || parts.hour > 23 ||
        parts.minute < 0 || parts.minute > 59 || parts.second < 0 || parts.second > 59 ||
        parts.year < kFirstYear || parts.year > kLastYear) {
        return false;
    }
    long long days = DaysFromCivil(parts.year, parts.month, 1) + parts.day - 1 - kEpoch;
    if (days < kFirstDay || days > kLastDay)
        return false;
    double fraction =
        static_cast<double>(parts.hour * 3600 + parts.minute * 60 + parts.second) / kSecondsPerDay;
    *date = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return true;
}

bool PartsFromDate(DATE date, DateParts* parts) {
    if (!IsInDateRange(date))
        return false;
    double whole = std::trunc(date);
    long long days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++days;
    }
    if (days > kLastDay)
        return false;
    const CivilDate civil = CivilFromDays(days + kEpoch);
    parts->year = civil.year;
    parts->month = civil.month;
    parts->day = civil.day;
    parts->hour = static_cast<int>(seconds / 3600);
    parts->minute = static_cast<int>(seconds / 60 % 60);
    parts->second = static_cast<int>(seconds % 60);
    // 1899-12-30 was a Saturday.
    parts->dayOfWeek = static_cast<int>(((days + 6) % 7 + 7) % 7);
    return true;
}

}  // namespace winpal::detail

using winpal::detail::DateParts;

// Windows reads a year below 100 as a two-digit year (0 to 29 in the 2000s, 30 to 99 in the
// 1900s), rolls day 0 back to the last day of the month before and a day past the month's end on
// into the next month; a month above 12 or a day above 31 fails. Hours, minutes and seconds out
// of range fail too, and milliseconds are ignored.
INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime) {
    if (!lpSystemTime || !pvtime)
        return FALSE;
    const SYSTEMTIME& st = *lpSystemTime;
    if (st.wDay > 31)
        return FALSE;
    DateParts parts;
    parts.year = st.wYear;
    if (parts.year < 30) {
        parts.year += 2000;
    } else if (parts.year < winpal::detail::kFirstYear) {
        parts.year += 1900;
    }
    parts.month = st.wMonth;
    parts.day = st.wDay;
    parts.hour = st.wHour;
    parts.minute = st.wMinute;
    parts.second = st.wSecond;
    return winpal::detail::DateFromParts(parts, pvtime) ? TRUE : FALSE;
}

// The time is rounded to the nearest second; wMilliseconds is always 0.
INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime) {
    DateParts parts;
    if (!lpSystemTime || !winpal::detail::PartsFromDate(vtime, &parts))
        return FALSE;
    lpSystemTime->wYear = static_cast<WORD>(parts.year);
    lpSystemTime->wMonth = static_cast<WORD>(parts.month);
    lpSystemTime->wDayOfWeek = static_cast<WORD>(parts.dayOfWeek);
    lpSystemTime->wDay = static_cast<WORD>(parts.day);
    lpSystemTime->wHour = static_cast<WORD>(parts.hour);
    lpSystemTime->wMinute = static_cast<WORD>(parts.minute);
    lpSystemTime->wSecond = static_cast<WORD>(parts.second);
    lpSystemTime->wMilliseconds = 0;
    return TRUE;
}
