// BSTR lengths, and the conversions between FILETIME, SYSTEMTIME and the variant DATE at their
// edges.
#include <cmath>
#include <cstring>

#include <windows.h>

#include <oleauto.h>

#include "check.h"

namespace {

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                WORD milliseconds = 0) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = milliseconds;
    return t;
}

// "YYYY-MM-DD hh:mm:ss.mmm wD" for comparing whole SYSTEMTIMEs.
std::string Text(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u w%u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

FILETIME FileTime(ULONGLONG ticks) {
    FILETIME f;
    f.dwLowDateTime = static_cast<DWORD>(ticks);
    f.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return f;
}

}  // namespace

CHECK_CASE(BstrLengths) {
    const WCHAR text[] = W("ab\0cd");
    BSTR withNul = SysAllocStringLen(text, 5);
    CHECK_EQ(SysStringLen(withNul), 5u);
    CHECK_EQ(SysStringByteLen(withNul), 10u);
    CHECK_EQ(withNul[5], static_cast<WCHAR>(0));
    CHECK_EQ(WideText(withNul, 5), WideText(text, 5));
    SysFreeString(withNul);
    // Without text: room for the characters, and the terminator set.
    BSTR blank = SysAllocStringLen(nullptr, 3);
    CHECK_TRUE(blank != nullptr);
    CHECK_EQ(SysStringLen(blank), 3u);
    CHECK_EQ(blank[3], static_cast<WCHAR>(0));
    SysFreeString(blank);
    BSTR empty = SysAllocStringLen(text, 0);
    CHECK_TRUE(empty != nullptr);
    CHECK_EQ(SysStringLen(empty), 0u);
    CHECK_EQ(SysStringByteLen(empty), 0u);
    SysFreeString(empty);
    CHECK_EQ(SysStringLen(nullptr), 0u);
    CHECK_EQ(SysStringByteLen(nullptr), 0u);
    // An odd number of bytes.
    BSTR bytes = SysAllocStringByteLen("abc", 3);
    CHECK_EQ(SysStringByteLen(bytes), 3u);
    CHECK_EQ(SysStringLen(bytes), 1u);
    CHECK_EQ(std::memcmp(bytes, "abc\0\0", 5), 0);
    SysFreeString(bytes);
    BSTR plain = SysAllocString(W("hello"));
    CHECK_EQ(SysStringLen(plain), 5u);
    CHECK_EQ(SysReAllocStringLen(&plain, W("hi there"), 2), TRUE);
    CHECK_EQ(WideText(plain), W("hi"));
    SysFreeString(plain);
    CHECK_TRUE(SysAllocString(nullptr) == nullptr);
}

CHECK_CASE(FileTimeToSystemTimeEdges) {
    struct Case {
        ULONGLONG ticks;
        const char* text;
    };
    for (Case c : {Case{0, "1601-01-01 00:00:00.000 w1"},
                   {9999, "1601-01-01 00:00:00.000 w1"},
                   {10000, "1601-01-01 00:00:00.001 w1"},
                   {116444736000000000ULL, "1970-01-01 00:00:00.000 w4"},
                   {125911584000000000ULL, "2000-01-01 00:00:00.000 w6"},
                   {125962560000000000ULL, "2000-02-29 00:00:00.000 w2"},
                   {0x7FFFFFFFFFFFFFFFULL, "30828-09-14 02:48:05.477 w4"}}) {
        FILETIME f = FileTime(c.ticks);
        SYSTEMTIME t{};
        CHECK_EQ(FileTimeToSystemTime(&f, &t), TRUE);
        CHECK_EQ(Text(t), std::string(c.text));
    }
    FILETIME negative = FileTime(0x8000000000000000ULL);
    SYSTEMTIME t{};
    SetLastError(0);
    CHECK_EQ(FileTimeToSystemTime(&negative, &t), FALSE);
    CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // And back.
    SYSTEMTIME leap = Time(2000, 2, 29, 23, 59, 59, 999);
    FILETIME f{};
    CHECK_EQ(SystemTimeToFileTime(&leap, &f), TRUE);
    CHECK_EQ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime,
             125963423999990000ULL);
    SYSTEMTIME badDay = Time(2001, 2, 29);
    SIDES_EQ(SystemTimeToFileTime(&badDay, &f), TRUE, FALSE,
             "Wine 8 takes a day past the end of its month; Windows refuses the invalid "
             "SYSTEMTIME, as winpal does");
    SYSTEMTIME badMonth = Time(2001, 13, 1);
    CHECK_EQ(SystemTimeToFileTime(&badMonth, &f), FALSE);
}

CHECK_CASE(SystemTimeToVariantTimeEdges) {
    struct Case {
        SYSTEMTIME time;
        double date;
    };
    for (Case c : {Case{Time(1899, 12, 30), 0.0},
                   {Time(1899, 12, 30, 12), 0.5},
                   {Time(1899, 12, 29, 6), -1.25},
                   {Time(1900, 1, 1), 2.0},
                   {Time(2000, 2, 29, 18), 36585.75},
                   {Time(100, 1, 1), -657434.0},
                   {Time(9999, 12, 31), 2958465.0},
                   // Day 0 is the last day of the month before.
                   {Time(1980, 1, 0), 29220.0},
                   // Years below 100 are two-digit years: 0-29 in 2000, 30-99 in 1900.
                   {Time(0, 1, 1), 36526.0},
                   {Time(29, 1, 1), 47119.0},
                   {Time(90, 12, 31), 33238.0}}) {
        double date = -99;
        SYSTEMTIME t = c.time;
        CHECK_EQ(SystemTimeToVariantTime(&t, &date), TRUE);
        CHECK_EQ(date, c.date);
    }
    SYSTEMTIME year30 = Time(30, 1, 1);
    double date = 0;
    CHECK_EQ(SystemTimeToVariantTime(&year30, &date), TRUE);
    SIDES_EQ(date, 47484.0, 10959.0,
             "Wine 8 reads year 30 as 2030; Windows reads it as 1930 (Wine's own conformance "
             "tests say so), as winpal does");
    // The last second of the range, to the second.
    SYSTEMTIME last = Time(9999, 12, 31, 23, 59, 59);
    CHECK_EQ(SystemTimeToVariantTime(&last, &date), TRUE);
    CHECK_TRUE(std::fabs(date - (2958465.0 + 86399.0 / 86400)) < 1e-9);
    // Milliseconds are dropped.
    SYSTEMTIME withMs = Time(2000, 1, 1, 0, 0, 0, 999);
    CHECK_EQ(SystemTimeToVariantTime(&withMs, &date), TRUE);
    CHECK_EQ(date, 36526.0);
    // Out of range or not a date.
    for (SYSTEMTIME bad : {Time(10000, 1, 1), Time(2000, 13, 1), Time(2000, 1, 32)}) {
        CHECK_EQ(SystemTimeToVariantTime(&bad, &date), FALSE);
    }
}

CHECK_CASE(VariantTimeToSystemTimeEdges) {
    struct Case {
        double date;
        const char* text;
    };
    for (Case c : {Case{0.0, "1899-12-30 00:00:00.000 w6"},
                   {0.5, "1899-12-30 12:00:00.000 w6"},
                   {-1.25, "1899-12-29 06:00:00.000 w5"},
                   {-0.5, "1899-12-30 12:00:00.000 w6"},
                   {36585.75, "2000-02-29 18:00:00.000 w2"},
                   {-657434.0, "0100-01-01 00:00:00.000 w5"},
                   {2958465.0, "9999-12-31 00:00:00.000 w5"},
                   {2958465.99998843, "9999-12-31 23:59:59.000 w5"},
                   {1.0 / 86400 * 0.4, "1899-12-30 00:00:00.000 w6"},
                   {1.0 / 86400 * 0.6, "1899-12-30 00:00:01.000 w6"}}) {
        SYSTEMTIME t{};
        CHECK_EQ(VariantTimeToSystemTime(c.date, &t), TRUE);
        CHECK_EQ(Text(t), std::string(c.text));
    }
    // Rounding to the second carries into the next day, a Sunday.
    SYSTEMTIME t{};
    CHECK_EQ(VariantTimeToSystemTime(0.99999999, &t), TRUE);
    SIDES_EQ(Text(t), std::string("1899-12-31 00:00:00.000 w6"),
             std::string("1899-12-31 00:00:00.000 w0"),
             "Wine takes the day of the week from before the rounding carried into the next day");
    CHECK_EQ(VariantTimeToSystemTime(2958466.0, &t), FALSE);
    CHECK_EQ(VariantTimeToSystemTime(-657435.0, &t), FALSE);
}
