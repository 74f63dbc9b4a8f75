#include <gtest/gtest.h>

#include <ctime>

#include <winpal/winpal.h>

namespace {

using winpal::Variant;

constexpr double kSecond = 1.0 / 86400;

TEST(VariantDateText, DatesBecomeUsText) {
    struct Case {
        double date;
        const char16_t* text;
    };
    for (Case c : {Case{0.0, u"12:00:00 AM"},
                   {0.5, u"12:00:00 PM"},
                   {3.34, u"1/2/1900 8:09:36 AM"},
                   {365.0, u"12/30/1900"},
                   {36526.5, u"1/1/2000 12:00:00 PM"},
                   {-49192.24, u"4/24/1765 5:45:36 AM"},
                   {-657434.0, u"1/1/100"},
                   {2958465.0, u"12/31/9999"},
                   {36527 + (15 * 3600 + 4 * 60 + 5) * kSecond, u"1/2/2000 3:04:05 PM"}}) {
        Variant dst;
        Variant src;
        src.Ptr()->vt = VT_DATE;
        src.Ptr()->date = c.date;
        ASSERT_EQ(VariantChangeType(dst.Ptr(), src.Ptr(), 0, VT_BSTR), S_OK) << c.date;
        EXPECT_EQ(std::u16string(dst.Ptr()->bstrVal), c.text) << c.date;
        // And back.
        ASSERT_EQ(VariantChangeType(dst.Ptr(), dst.Ptr(), 0, VT_DATE), S_OK) << c.date;
        EXPECT_NEAR(dst.Ptr()->date, c.date, 1e-6);
    }
    // Before 1899-12-30 a time on day 0 counts forward too, so it reads the same as after.
    Variant dst;
    Variant date;
    date.Ptr()->vt = VT_DATE;
    date.Ptr()->date = -0.5;
    ASSERT_EQ(VariantChangeType(dst.Ptr(), date.Ptr(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(std::u16string(dst.Ptr()->bstrVal), u"12:00:00 PM");
    date.Ptr()->date = 3e6;
    EXPECT_EQ(VariantChangeType(dst.Ptr(), date.Ptr(), 0, VT_BSTR), E_INVALIDARG);
}

// A day of the current year, which dates written without a year fall in.
double DateInThisYear(int month, int day) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    SYSTEMTIME st{WORD(local.tm_year + 1900), WORD(month), 0, WORD(day), 0, 0, 0, 0};
    double date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&st, &date));
    return date;
}

TEST(VariantDateText, TextBecomesADate) {
    double jan2 = DateInThisYear(1, 2);
    double jan14 = DateInThisYear(1, 14);
    struct Case {
        const char16_t* text;
        double date;
    };
    for (Case c : {Case{u"1/2/1970", 25570.0},
                   {u"1-2-1970", 25570.0},
                   {u"1 2 1970", 25570.0},
                   {u"1/2/70", 25570.0},
                   {u"2 January, 1970", 25570.0},
                   {u"January 2 1970", 25570.0},
                   {u"2-Jan-1970", 25570.0},
                   {u"13-1-1970", 25581.0},
                   {u"1970-1-13", 25581.0},
                   {u"1 2 29", 47120.0},
                   {u"1 2 30", 10960.0},
                   {u"14 2 3", 41673.0},
                   {u"30 2", 10990.0},
                   {u"2 30", 10990.0},
                   {u"Jan 35", 12785.0},
                   {u"Jan 2", jan2},
                   {u"1 14", jan14},
                   {u"14 1", jan14},
                   {u"1/1/100", -657434.0},
                   {u"  12/31/9999  ", 2958465.0},
                   {u"12:59 AM", 59 * 60 * kSecond},
                   {u"00:00 pm", 0.5},
                   {u"13:00 AM", 13 * 3600 * kSecond},
                   {u"1 am", 3600 * kSecond},
                   {u"3:5", (3 * 3600 + 5 * 60) * kSecond},
                   {u"2.5", (2 * 3600 + 5 * 60) * kSecond},
                   {u"6/30/2011 01:20:34 PM", 40724.55594907407},
                   {u"2013-05-14 02:04:12", 41408.08625},
                   {u"3 am 1 2", jan2 + 0.125},
                   {u"6/30/2011\u30001:20:34", 40724.05594907407},
                   {u"12/29/1899 6:00:00 AM", -1.25}}) {
        Variant dst;
        ASSERT_EQ(VariantChangeType(dst.Ptr(), Variant::Text(c.text).Ptr(), 0, VT_DATE), S_OK)
            << winpal::Utf16ToUtf8(c.text);
        EXPECT_NEAR(dst.Ptr()->date, c.date, 1e-8) << winpal::Utf16ToUtf8(c.text);
    }
    for (const char16_t* bad :
         {u"",         u"True",      u"0",         u"1",          u"0.",
          u".0",       u"-1.1",      u"1;2;3",     u"(1:2)",      u"0.60",
          u"24:00",    u"0:60",      u"1 2 am",    u"1 am 2",     u"1.5 2",
          u"2 32 3",   u"1 2 am 3",  u"1.2.3.4",   u"1 2 3 4",    u"1.2 3.4",
          u"32 49",    u"2/30/2001", u"1/1/10000", u"02.01.1970", u"2013-05-14 02:04:12.017",
          u"Jan Feb 2"}) {
        Variant dst;
        EXPECT_EQ(VariantChangeType(dst.Ptr(), Variant::Text(bad).Ptr(), 0, VT_DATE),
                  DISP_E_TYPEMISMATCH)
            << winpal::Utf16ToUtf8(bad);
    }
}

}  // namespace
