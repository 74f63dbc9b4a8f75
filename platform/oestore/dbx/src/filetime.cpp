#include "dbx/filetime.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ascii_text.h"

namespace dbx {

namespace {

constexpr int64_t kUnixEpochInFileTimeSeconds = 11644473600;
constexpr int64_t kTicksPerSecond = 10000000;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int MonthNumber(std::string_view token) {
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() < 3)
        return 0;
    for (int m = 0; m < 12; ++m) {
        if (EqualsIgnoreCase(token.substr(0, 3), months[m]))
            return m + 1;
    }
    return 0;
}

std::optional<int> ZoneMinutes(std::string_view token) {
    if ((token[0] == '+' || token[0] == '-') && token.size() == 5) {
        for (size_t i = 1; i < 5; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(token[i])))
                return std::nullopt;
        }
        int hh = (token[1] - '0') * 10 + (token[2] - '0');
        int mm = (token[3] - '0') * 10 + (token[4] - '0');
        int minutes = hh * 60 + mm;
        return token[0] == '-' ? -minutes : minutes;
    }
    static const std::pair<const char*, int> names[] = {
        {"UT", 0},     {"UTC", 0},    {"GMT", 0},    {"Z", 0},      {"EST", -300}, {"EDT", -240},
        {"CST", -360}, {"CDT", -300}, {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420}};
    for (const auto& [name, minutes] : names) {
        if (EqualsIgnoreCase(token, name))
            return minutes;
    }
    return std::nullopt;
}

}  // namespace

uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
    int64_t since_1601 = seconds + kUnixEpochInFileTimeSeconds;
    if (since_1601 < 0)
        return 0;
    return static_cast<uint64_t>(since_1601) * kTicksPerSecond + nanoseconds / 100;
}

int64_t UnixFromFileTime(uint64_t file_time) {
    return static_cast<int64_t>(file_time / kTicksPerSecond) - kUnixEpochInFileTimeSeconds;
}

uint64_t FileTimeNow() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
    auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
    return FileTimeFromUnix(seconds.count(), static_cast<uint32_t>(nanos.count()));
}

std::optional<uint64_t> ParseMailDate(std::string_view text) {
    // Tokens split at blanks and commas; comments in parentheses are dropped.
    std::vector<std::string_view> tokens;
    int depth = 0;
    size_t start = std::string_view::npos;
    for (size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : ' ';
        if (c == '(')
            ++depth;
        bool separator = c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n' || c == '(' ||
                         c == ')' || depth > 0;
        if (c == ')' && depth > 0)
            --depth;
        if (separator) {
            if (start != std::string_view::npos)
                tokens.push_back(text.substr(start, i - start));
            start = std::string_view::npos;
        } else if (start == std::string_view::npos) {
            start = i;
        }
    }
    size_t t = 0;
    if (t < tokens.size() && !std::isdigit(static_cast<unsigned char>(tokens[t][0])))
        ++t;  // weekday
    if (tokens.size() < t + 4)
        return std::nullopt;
    int day = 0, month = 0;
    long year = 0;
    if (std::sscanf(std::string(tokens[t]).c_str(), "%d", &day) != 1)
        return std::nullopt;
    month = MonthNumber(tokens[t + 1]);
    if (std::sscanf(std::string(tokens[t + 2]).c_str(), "%ld", &year) != 1)
        return std::nullopt;
    if (tokens[t + 2].size() <= 2)
        year += year < 50 ? 2000 : 1900;
    if (tokens[t + 2].size() == 3)
        year += 1900;
    int hour = 0, minute = 0, second = 0;
    int fields =
        std::sscanf(std::string(tokens[t + 3]).c_str(), "%d:%d:%d", &hour, &minute, &second);
    if (fields < 2 || month == 0 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60 || year < 1601 || year > 30000) {
        return std::nullopt;
    }
    int zone = 0;
    if (tokens.size() > t + 4)
        zone = ZoneMinutes(tokens[t + 4]).value_or(0);
    int64_t seconds =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second - zone * 60;
    return FileTimeFromUnix(seconds);
}

std::string FormatFileTime(uint64_t file_time) {
    if (file_time == 0)
        return "-";
    int64_t seconds = UnixFromFileTime(file_time);
    int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    int64_t rest = seconds - days * 86400;
    // Civil date from days since 1970-01-01.
    int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
    char out[96];
    std::snprintf(out, sizeof out, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(y), m, d, static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
    return out;
}

}  // namespace dbx
