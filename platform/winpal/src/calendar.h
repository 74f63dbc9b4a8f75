// Calendar and clock arithmetic in the proleptic Gregorian calendar, shared by the kernel's
// FILETIME functions, variant dates and file streams.
#pragma once

#include <cstdint>
#include <ctime>

#include <winpal/types.h>

namespace winpal::detail {

// Days from 1970-01-01 to a date (month 1 to 12; the day may run past the month's end); after
// H. Hinnant's algorithms, valid for negative years too.
constexpr long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    int year;
    int month;
    int day;
};

// The date `days` after 1970-01-01 (negative: before it).
constexpr CivilDate CivilFromDays(long long days) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long dayOfEra = days - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long shiftedMonth = (5 * dayOfYear + 2) / 153;
    int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {static_cast<int>(yearOfEra + era * 400 + (month <= 2)), month, day};
}

constexpr int DaysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// FILETIME counts 100-nanosecond ticks since 1601-01-01 UTC.
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
constexpr long long kFileTimeEpochDay = DaysFromCivil(1601, 1, 1);
constexpr std::int64_t kTicks1601To1970 = -kFileTimeEpochDay * kTicksPerDay;
static_assert(kTicks1601To1970 == 116'444'736'000'000'000LL);

// A time of the system clock (seconds and nanoseconds since 1970) as a FILETIME.
inline FILETIME FileTimeFromUnix(const timespec& t) {
    const auto ticks =
        static_cast<std::uint64_t>(kTicks1601To1970 + t.tv_sec * kTicksPerSecond + t.tv_nsec / 100);
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace winpal::detail
