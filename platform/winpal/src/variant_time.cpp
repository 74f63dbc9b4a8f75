// Variant dates: calendar arithmetic, SystemTimeToVariantTime and VariantTimeToSystemTime.
#include <cmath>

#include <winpal/oleauto.h>

#include "date_parts.h"

namespace winpal::detail {
namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (month 1 to 12).
constexpr long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(long long days, int* year, int* month, int* day) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long dayOfEra = days - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    *month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2));
}

constexpr long long kEpoch = DaysFromCivil(1899, 12, 30);
constexpr long long kSecondsPerDay = 86400;
// The first and last whole days of the variant date range (100-01-01 and 9999-12-31).
constexpr long long kFirstDay = DaysFromCivil(kFirstYear, 1, 1) - kEpoch;
constexpr long long kLastDay = DaysFromCivil(kLastYear, 12, 31) - kEpoch;
static_assert(kFirstDay == -657434 && kLastDay == 2958465);

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

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
    if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0))
        return false;  // also refuses NaN
    double whole = std::trunc(date);
    long long days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++days;
    }
    if (days > kLastDay)
        return false;
    CivilFromDays(days + kEpoch, &parts->year, &parts->month, &parts->day);
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
