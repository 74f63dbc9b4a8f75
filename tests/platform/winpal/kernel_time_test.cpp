#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include <winpal/kernel.h>

namespace {

FILETIME FromTicks(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t TicksOf(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

SYSTEMTIME Fields(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                  WORD ms = 0) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = ms;
    return st;
}

void ExpectFields(const SYSTEMTIME& st, WORD year, WORD month, WORD day, WORD dayOfWeek, WORD hour,
                  WORD minute, WORD second, WORD ms) {
    EXPECT_EQ(st.wYear, year);
    EXPECT_EQ(st.wMonth, month);
    EXPECT_EQ(st.wDay, day);
    EXPECT_EQ(st.wDayOfWeek, dayOfWeek);
    EXPECT_EQ(st.wHour, hour);
    EXPECT_EQ(st.wMinute, minute);
    EXPECT_EQ(st.wSecond, second);
    EXPECT_EQ(st.wMilliseconds, ms);
}

TEST(FileTimeToSystemTime, KnownInstantsWithDayOfWeek) {
    SYSTEMTIME st{};
    FILETIME zero = FromTicks(0);
    ASSERT_TRUE(FileTimeToSystemTime(&zero, &st));
    ExpectFields(st, 1601, 1, 1, 1, 0, 0, 0, 0);  // a Monday

    FILETIME unixEpoch = FromTicks(116444736000000000ULL);
    ASSERT_TRUE(FileTimeToSystemTime(&unixEpoch, &st));
    ExpectFields(st, 1970, 1, 1, 4, 0, 0, 0, 0);  // a Thursday

    FILETIME summer = FromTicks(127334917871230000ULL + 9999);  // sub-millisecond ticks dropped
    ASSERT_TRUE(FileTimeToSystemTime(&summer, &st));
    ExpectFields(st, 2004, 7, 5, 1, 9, 3, 7, 123);

    FILETIME leapDay = FromTicks(125963423999990000ULL);
    ASSERT_TRUE(FileTimeToSystemTime(&leapDay, &st));
    ExpectFields(st, 2000, 2, 29, 2, 23, 59, 59, 999);
}

TEST(FileTimeToSystemTime, LargestValidValueAndHighBitRejected) {
    SYSTEMTIME st{};
    FILETIME largest = FromTicks(0x7FFFFFFFFFFFFFFFULL);
    ASSERT_TRUE(FileTimeToSystemTime(&largest, &st));
    EXPECT_EQ(st.wYear, 30828);
    EXPECT_EQ(st.wMonth, 9);
    EXPECT_EQ(st.wDay, 14);
    EXPECT_EQ(st.wHour, 2);
    EXPECT_EQ(st.wMinute, 48);
    EXPECT_EQ(st.wSecond, 5);
    EXPECT_EQ(st.wMilliseconds, 477);

    for (std::uint64_t bad : {0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL}) {
        FILETIME ft = FromTicks(bad);
        SetLastError(0);
        EXPECT_FALSE(FileTimeToSystemTime(&ft, &st));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
}

TEST(SystemTimeToFileTime, ValidatesEveryField) {
    FILETIME ft{};
    const SYSTEMTIME invalid[] = {
        Fields(1600, 12, 31),
        Fields(2001, 0, 1),
        Fields(2001, 13, 1),
        Fields(2001, 1, 0),
        Fields(2001, 4, 31),
        Fields(1900, 2, 29),  // 1900 is no leap year
        Fields(2001, 2, 29),
        Fields(2001, 1, 1, 24),
        Fields(2001, 1, 1, 0, 60),
        Fields(2001, 1, 1, 0, 0, 60),
        Fields(2001, 1, 1, 0, 0, 0, 1000),
        Fields(30828, 9, 14, 2, 48, 5, 478),  // one millisecond past the largest FILETIME
        Fields(30828, 12, 31)};
    for (const SYSTEMTIME& st : invalid) {
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft))
            << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour << ":"
            << st.wMinute << ":" << st.wSecond << "." << st.wMilliseconds;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    SYSTEMTIME leap = Fields(2000, 2, 29, 23, 59, 59, 999);
    leap.wDayOfWeek = 6;  // wrong on purpose: the day of the week is ignored
    ASSERT_TRUE(SystemTimeToFileTime(&leap, &ft));
    EXPECT_EQ(TicksOf(ft), 125963423999990000ULL);
    SYSTEMTIME largest = Fields(30828, 9, 14, 2, 48, 5, 477);
    ASSERT_TRUE(SystemTimeToFileTime(&largest, &ft));
    EXPECT_EQ(TicksOf(ft), 0x7FFFFFFFFFFFFFFFULL - 5807);  // the 0.5807 ms below the top
}

TEST(SystemTimeToFileTime, RoundTripsWithFileTimeToSystemTime) {
    std::mt19937_64 random(20240705);
    std::uniform_int_distribution<std::uint64_t> ticks(0, 0x7FFFFFFFFFFFFFFFULL);
    for (int i = 0; i < 2000; ++i) {
        const std::uint64_t original = ticks(random);
        FILETIME ft = FromTicks(original);
        SYSTEMTIME st{};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&st, &back));
        EXPECT_EQ(TicksOf(back), original - original % 10000) << original;
    }
}

// Read against CLOCK_REALTIME itself: time() reads a coarser clock that can lag it by a tick.
TEST(GetSystemTimeAsFileTime, AgreesWithTheSystemClock) {
    auto ticksNow = [] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return (static_cast<std::uint64_t>(now.tv_sec) + 11644473600ULL) * 10000000ULL +
               static_cast<std::uint64_t>(now.tv_nsec) / 100;
    };
    FILETIME ft{};
    const std::uint64_t before = ticksNow();
    GetSystemTimeAsFileTime(&ft);
    const std::uint64_t after = ticksNow();
    EXPECT_GE(TicksOf(ft), before);
    EXPECT_LE(TicksOf(ft), after);
}

}  // namespace
