// FILETIME (100-nanosecond ticks since 1601-01-01 UTC) and SYSTEMTIME (calendar fields) in the
// proleptic Gregorian calendar, as Windows counts them.
#include <ctime>
#include <limits>

#include <winpal/kernel.h>

#include "calendar.h"

namespace {

using winpal::detail::CivilDate;
using winpal::detail::CivilFromDays;
using winpal::detail::DaysFromCivil;
using winpal::detail::DaysInMonth;
using winpal::detail::kFileTimeEpochDay;
using winpal::detail::kTicksPerDay;
using winpal::detail::kTicksPerSecond;

constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int64_t>::max();

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
    const CivilDate date = CivilFromDays(kFileTimeEpochDay + days);
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
    const std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kFileTimeEpochDay;
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
    *lpSystemTimeAsFileTime = winpal::detail::FileTimeFromUnix(now);
}
