// Variant dates to and from text in the US English forms (month/day/year, 12-hour clock).
#include "date_text.h"

#include <array>
#include <ctime>
#include <optional>
#include <vector>

#include "date_parts.h"
#include "number_text.h"

namespace winpal::detail {
namespace {

constexpr long long kNumberCap = 1000000;  // larger numbers are no part of any date

struct Token {
    enum class Kind { Number, Word, Separator } kind = Kind::Number;
    long long number = 0;
    std::u16string word;  // lower case
    char16_t separator = 0;
};

bool IsLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool IsTimeSeparator(char16_t c) {
    return c == u':' || c == u'.';
}
bool IsDateSeparator(char16_t c) {
    return c == u'/' || c == u'-' || c == u',';
}

bool Tokenize(std::u16string_view text, std::vector<Token>* tokens) {
    for (std::size_t i = 0; i < text.size();) {
        char16_t c = text[i];
        if (IsBlank(c)) {
            ++i;
        } else if (IsDigit(c)) {
            Token t;
            for (; i < text.size() && IsDigit(text[i]); ++i) {
                t.number = std::min(t.number * 10 + (text[i] - u'0'), kNumberCap);
            }
            tokens->push_back(t);
        } else if (IsLetter(c)) {
            Token t;
            t.kind = Token::Kind::Word;
            for (; i < text.size() && IsLetter(text[i]); ++i) {
                char16_t l = text[i];
                t.word.push_back(l >= u'A' && l <= u'Z' ? static_cast<char16_t>(l - u'A' + u'a')
                                                        : l);
            }
            tokens->push_back(t);
        } else if (IsTimeSeparator(c) || IsDateSeparator(c)) {
            Token t;
            t.kind = Token::Kind::Separator;
            t.separator = c;
            tokens->push_back(t);
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

// The month (1 to 12) a word names, in full or by its first three letters, or 0.
int MonthFromWord(const std::u16string& word) {
    static constexpr std::array<std::u16string_view, 12> kMonths = {
        u"january", u"february", u"march",     u"april",   u"may",      u"june",
        u"july",    u"august",   u"september", u"october", u"november", u"december"};
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        if (word == kMonths[m] || word == kMonths[m].substr(0, 3))
            return static_cast<int>(m + 1);
    }
    return 0;
}

enum class Meridiem { None, Am, Pm };

// A piece of a date or time text: a number, a month name, or a time of day.
struct Element {
    enum class Kind { Number, Month, Time } kind = Kind::Number;
    long long value = 0;  // the number or the month
    std::vector<long long> time;
    Meridiem meridiem = Meridiem::None;
};

// Groups the tokens into elements: numbers joined by ":" or "." form a time, "AM"/"PM" makes the
// number before it an hour, date separators only stand between elements.
bool BuildElements(const std::vector<Token>& tokens, std::vector<Element>* elements) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Token::Kind::Number) {
            Element e;
            e.value = t.number;
            while (i + 1 < tokens.size() && tokens[i + 1].kind == Token::Kind::Separator &&
                   IsTimeSeparator(tokens[i + 1].separator)) {
                if (i + 2 >= tokens.size() || tokens[i + 2].kind != Token::Kind::Number) {
                    return false;
                }
                if (e.time.empty())
                    e.time.push_back(e.value);
                e.time.push_back(tokens[i + 2].number);
                i += 2;
            }
            if (!e.time.empty())
                e.kind = Element::Kind::Time;
            if (e.time.size() > 3)
                return false;
            elements->push_back(e);
        } else if (t.kind == Token::Kind::Word) {
            if (int month = MonthFromWord(t.word)) {
                Element e;
                e.kind = Element::Kind::Month;
                e.value = month;
                elements->push_back(e);
                continue;
            }
            Meridiem m = (t.word == u"am" || t.word == u"a")   ? Meridiem::Am
                         : (t.word == u"pm" || t.word == u"p") ? Meridiem::Pm
                                                               : Meridiem::None;
            if (m == Meridiem::None || elements->empty())
                return false;
            Element& before = elements->back();
            if (before.kind == Element::Kind::Number) {
                before.kind = Element::Kind::Time;
                before.time.push_back(before.value);
            }
            if (before.kind != Element::Kind::Time || before.meridiem != Meridiem::None) {
                return false;
            }
            before.meridiem = m;
        } else {
            bool between = i > 0 && tokens[i - 1].kind != Token::Kind::Separator &&
                           i + 1 < tokens.size() && tokens[i + 1].kind != Token::Kind::Separator;
            if (!IsDateSeparator(t.separator) || !between)
                return false;
        }
    }
    return true;
}

// The time of day of a time element; false when out of range.
bool ResolveTime(const Element& e, DateParts* parts) {
    long long hour = e.time[0];
    long long minute = e.time.size() > 1 ? e.time[1] : 0;
    long long second = e.time.size() > 2 ? e.time[2] : 0;
    if (hour <= 12) {  // AM and PM only mean something on a 12-hour clock
        if (e.meridiem == Meridiem::Pm && hour < 12)
            hour += 12;
        if (e.meridiem == Meridiem::Am && hour == 12)
            hour = 0;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    parts->hour = static_cast<int>(hour);
    parts->minute = static_cast<int>(minute);
    parts->second = static_cast<int>(second);
    return true;
}

int CurrentYear() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// Years below 100 are two-digit years: below 30 in the 2000s, from 30 in the 1900s.
long long FullYear(long long year) {
    if (year < 30)
        return year + 2000;
    if (year < 100)
        return year + 1900;
    return year;
}

// Sets the date when year, month and day make a valid one.
bool TryDate(long long year, long long month, long long day, DateParts* parts) {
    year = FullYear(year);
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(static_cast<int>(year), static_cast<int>(month))) {
        return false;
    }
    parts->year = static_cast<int>(year);
    parts->month = static_cast<int>(month);
    parts->day = static_cast<int>(day);
    return true;
}

// Picks the date the numbers (and a month name, `month` > 0) stand for, preferring the US order.
bool ResolveDate(const std::vector<long long>& n, int month, DateParts* parts) {
    if (month > 0) {
        if (n.size() == 1) {  // a day of this year, or else the first day in a year
            return TryDate(CurrentYear(), month, n[0], parts) || TryDate(n[0], month, 1, parts);
        }
        if (n.size() == 2) {
            return TryDate(n[1], month, n[0], parts) || TryDate(n[0], month, n[1], parts);
        }
        return false;
    }
    if (n.size() == 2) {  // month/day, day/month, year/month, month/year
        int year = CurrentYear();
        return TryDate(year, n[0], n[1], parts) || TryDate(year, n[1], n[0], parts) ||
               TryDate(n[0], n[1], 1, parts) || TryDate(n[1], n[0], 1, parts);
    }
    if (n.size() == 3) {  // month/day/year, year/month/day, day/month/year
        return TryDate(n[2], n[0], n[1], parts) || TryDate(n[0], n[1], n[2], parts) ||
               TryDate(n[2], n[1], n[0], parts);
    }
    return false;
}

std::u16string TwoDigits(int value) {
    return std::u16string{static_cast<char16_t>(u'0' + value / 10),
                          static_cast<char16_t>(u'0' + value % 10)};
}

}  // namespace

bool FormatDateText(DATE date, std::u16string* text) {
    DateParts parts;
    if (!PartsFromDate(date, &parts))
        return false;
    bool dayZero = parts.year == 1899 && parts.month == 12 && parts.day == 30;
    bool midnight = parts.hour == 0 && parts.minute == 0 && parts.second == 0;
    std::u16string result;
    if (!dayZero) {
        result = FormatInteger(parts.month) + u"/" + FormatInteger(parts.day) + u"/" +
                 FormatInteger(parts.year);
    }
    if (dayZero || !midnight) {
        if (!result.empty())
            result += u' ';
        int hour12 = parts.hour % 12 == 0 ? 12 : parts.hour % 12;
        result += FormatInteger(hour12) + u":" + TwoDigits(parts.minute) + u":" +
                  TwoDigits(parts.second) + (parts.hour < 12 ? u" AM" : u" PM");
    }
    *text = result;
    return true;
}

HRESULT ParseDateText(std::u16string_view text, DATE* date) {
    std::vector<Token> tokens;
    std::vector<Element> elements;
    if (!Tokenize(text, &tokens) || !BuildElements(tokens, &elements))
        return DISP_E_TYPEMISMATCH;

    const Element* time = nullptr;
    std::vector<long long> numbers;
    int month = 0;
    bool dateBeforeTime = false;
    bool dateAfterTime = false;
    for (const Element& e : elements) {
        if (e.kind == Element::Kind::Time) {
            if (time)
                return DISP_E_TYPEMISMATCH;  // one time at most
            time = &e;
            continue;
        }
        (time ? dateAfterTime : dateBeforeTime) = true;
        if (e.kind == Element::Kind::Month) {
            if (month)
                return DISP_E_TYPEMISMATCH;
            month = static_cast<int>(e.value);
        } else {
            numbers.push_back(e.value);
        }
    }
    // The date's pieces stand together, before or after the time.
    if (dateBeforeTime && dateAfterTime)
        return DISP_E_TYPEMISMATCH;

    DateParts parts;
    parts.year = 1899;
    parts.month = 12;
    parts.day = 30;
    bool hasDate = month > 0 || !numbers.empty();
    if (!hasDate && !time)
        return DISP_E_TYPEMISMATCH;
    if (hasDate && !ResolveDate(numbers, month, &parts))
        return DISP_E_TYPEMISMATCH;
    if (time && !ResolveTime(*time, &parts))
        return DISP_E_TYPEMISMATCH;
    return DateFromParts(parts, date) ? S_OK : DISP_E_TYPEMISMATCH;
}

}  // namespace winpal::detail
