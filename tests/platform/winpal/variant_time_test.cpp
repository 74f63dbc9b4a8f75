#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <winpal/winpal.h>

namespace {

using winpal::Variant;

SYSTEMTIME Time(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return SYSTEMTIME{WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), WORD(ms)};
}

bool ToDate(SYSTEMTIME st, double* date) {
    return SystemTimeToVariantTime(&st, date) == TRUE;
}

constexpr double kSecond = 1.0 / 86400;

TEST(VariantTime, SystemTimeToVariantTimeCountsDaysFrom1899December30) {
    struct Case {
        SYSTEMTIME st;
        double date;
    };
    for (Case c : {Case{Time(1899, 12, 30), 0.0},
                   {Time(2000, 1, 1, 12), 36526.5},
                   {Time(1899, 12, 29, 6), -1.25},
                   {Time(1899, 12, 30, 6), 0.25},
                   {Time(1765, 4, 24, 5, 45, 36), -49192.24},
                   {Time(100, 1, 1), -657434.0},
                   {Time(9999, 12, 31, 23, 59, 59), 2958465.0 + 86399 * kSecond},
                   {Time(2000, 1, 1, 12, 0, 0, 999), 36526.5},  // milliseconds are ignored
                   {Time(1980, 1, 0), 29220.0},                 // day 0 rolls back
                   {Time(1981, 2, 30), 29647.0},                // so the 2nd of March
                   {Time(90, 12, 31), 33238.0},
                   {Time(29, 1, 1), 47119.0},
                   {Time(30, 1, 1), 10959.0}}) {
        double date = 0;
        ASSERT_TRUE(ToDate(c.st, &date)) << c.st.wYear << "-" << c.st.wMonth << "-" << c.st.wDay;
        EXPECT_NEAR(date, c.date, 1e-9) << c.st.wYear << "-" << c.st.wMonth << "-" << c.st.wDay;
    }
}

TEST(VariantTime, InvalidSystemTimesFail) {
    double date = 123;
    for (SYSTEMTIME st : {Time(10000, 1, 1), Time(2000, 13, 1), Time(2000, 0, 1), Time(2000, 1, 32),
                          Time(2000, 1, 1, 24), Time(2000, 1, 1, 0, 60), Time(2000, 1, 1, 0, 0, 60),
                          Time(0xFFFF, 1, 1)}) {
        EXPECT_FALSE(ToDate(st, &date)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
    }
    EXPECT_EQ(date, 123);
    EXPECT_FALSE(SystemTimeToVariantTime(nullptr, &date));
}

TEST(VariantTime, VariantTimeToSystemTimeRoundsToTheSecond) {
    struct Case {
        double date;
        SYSTEMTIME st;
        WORD dayOfWeek;
    };
    for (Case c : {Case{36526.5, Time(2000, 1, 1, 12), 6},
                   {-1.25, Time(1899, 12, 29, 6), 5},
                   {-0.25, Time(1899, 12, 30, 6), 6},
                   {-5.9999884259259, Time(1899, 12, 25, 23, 59, 59), 1},
                   {29221.7508765432, Time(1980, 1, 1, 18, 1, 16), 2},
                   {29221.33333333, Time(1980, 1, 1, 8), 2},
                   {0.999999999, Time(1899, 12, 31), 0},
                   {-657434.0, Time(100, 1, 1), 5},
                   {2958465.0, Time(9999, 12, 31), 5}}) {
        SYSTEMTIME st;
        std::memset(&st, 0xAB, sizeof(st));
        ASSERT_TRUE(VariantTimeToSystemTime(c.date, &st)) << c.date;
        EXPECT_EQ(st.wYear, c.st.wYear) << c.date;
        EXPECT_EQ(st.wMonth, c.st.wMonth) << c.date;
        EXPECT_EQ(st.wDay, c.st.wDay) << c.date;
        EXPECT_EQ(st.wHour, c.st.wHour) << c.date;
        EXPECT_EQ(st.wMinute, c.st.wMinute) << c.date;
        EXPECT_EQ(st.wSecond, c.st.wSecond) << c.date;
        EXPECT_EQ(st.wMilliseconds, 0);
        EXPECT_EQ(st.wDayOfWeek, c.dayOfWeek) << c.date;
    }
    SYSTEMTIME st;
    for (double bad : {-657435.0, 2958466.0, 2958465.999999999, std::nan(""), double(INFINITY)}) {
        EXPECT_FALSE(VariantTimeToSystemTime(bad, &st)) << bad;
    }
}

TEST(VariantTime, RoundTripsEveryFewHoursAcrossTheRange) {
    int checked = 0;
    for (double date = -657434.0; date < 2958466.0; date += 997.123) {
        SYSTEMTIME st;
        ASSERT_TRUE(VariantTimeToSystemTime(date, &st));
        double back;
        ASSERT_TRUE(ToDate(st, &back));
        SYSTEMTIME again;
        ASSERT_TRUE(VariantTimeToSystemTime(back, &again));
        EXPECT_EQ(std::memcmp(&st, &again, sizeof(st)), 0) << date;
        EXPECT_NEAR(back, date, 0.5 * kSecond + 1e-7);
        ++checked;
    }
    EXPECT_GT(checked, 3000);
}

}  // namespace
