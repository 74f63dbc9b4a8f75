// Windows FILETIME values (100 ns ticks since 1601-01-01 UTC), as the store keeps dates.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dbx {

uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds = 0);
int64_t UnixFromFileTime(uint64_t file_time);
uint64_t FileTimeNow();

// Parses an RFC 5322 date ("Sat, 11 Dec 2021 20:45:59 -0800", also with obsolete zone names and
// two-digit years); nothing when the text is not a date.
std::optional<uint64_t> ParseMailDate(std::string_view text);

// "2021-12-12 04:45:59" (UTC); "-" for 0.
std::string FormatFileTime(uint64_t file_time);

}  // namespace dbx
