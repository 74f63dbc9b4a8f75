// FILETIME (100-nanosecond ticks since 1601-01-01 UTC) and SYSTEMTIME (calendar fields) in the
// proleptic Gregorian calendar, as Windows counts them.
#include <ctime>
#include <limits>

#include <winpal/kernel.h>

namespace {

constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerDay = 86'400 * kTicksPerSecond;
constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int64_t>::max();

// Days from 0000-03-01 (shifted so the leap day ends the year); after H. Hinnant's algorithms.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = y / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe);
}

constexpr std::int64_t kEpoch1601 = DaysFromCivil(1601, 1, 1);
constexpr std::int64_t kEpoch1970Ticks = (DaysFromCivil(1970, 1, 1) - kEpoch1601) * kTicksPerDay;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

constexpr CivilDate CivilFromDays(std::int64_t z) {
    const std::int64_t era = z / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t TicksOf(const FILETIME& ft) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) |
                                     ft.dwLowDateTime);
}

void SetTicks(FILETIME& ft, std::int64_t ticks) {
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
}

}  // namespace

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
    if (!lpFileTime || !lpSystemTime || (lpFileTime->dwHighDateTime & 0x80000000u)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t ticks = TicksOf(*lpFileTime);
    const std::int64_t days = ticks / kTicksPerDay;
    const std::int64_t inDay = ticks % kTicksPerDay;
    const CivilDate date = CivilFromDays(kEpoch1601 + days);
    lpSystemTime->wYear = static_cast<WORD>(date.year);
    lpSystemTime->wMonth = static_cast<WORD>(date.month);
    lpSystemTime->wDay = static_cast<WORD>(date.day);
    lpSystemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    lpSystemTime->wHour = static_cast<WORD>(inDay / (3600 * kTicksPerSecond));
    lpSystemTime->wMinute = static_cast<WORD>(inDay / (60 * kTicksPerSecond) % 60);
    lpSystemTime->wSecond = static_cast<WORD>(inDay / kTicksPerSecond % 60);
    lpSystemTime->wMilliseconds = static_cast<WORD>(inDay / kTicksPerMillisecond % 1000);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
    if (!lpSystemTime || !lpFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SYSTEMTIME& st = *lpSystemTime;
    // The day of the week is ignored, as on Windows.
    const bool valid = st.wYear >= 1601 && st.wYear <= 30828 && st.wMonth >= 1 && st.wMonth <= 12 &&
                       st.wDay >= 1 && st.wDay <= DaysInMonth(st.wYear, st.wMonth) &&
                       st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 &&
                       st.wMilliseconds < 1000;
    if (!valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kEpoch1601;
    const std::int64_t inDay = ((st.wHour * 60 + st.wMinute) * 60 + st.wSecond) * kTicksPerSecond +
                               st.wMilliseconds * kTicksPerMillisecond;
    // Late in the year 30828 the tick count no longer fits the signed range.
    if (days > (kMaxTicks - inDay) / kTicksPerDay) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SetTicks(*lpFileTime, days * kTicksPerDay + inDay);
    return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
    if (!lpSystemTimeAsFileTime)
        return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    SetTicks(*lpSystemTimeAsFileTime,
             kEpoch1970Ticks + now.tv_sec * kTicksPerSecond + now.tv_nsec / 100);
}
