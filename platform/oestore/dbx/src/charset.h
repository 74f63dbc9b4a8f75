// Text from one character set to another (iconv names such as "WINDOWS-1252", "UTF-8").
#pragma once

#include <optional>
#include <string>

namespace dbx {

// Converts `bytes`; a character that cannot be decoded or represented becomes '?'. An unknown
// character set leaves the bytes as they are.
std::string ConvertText(const std::string& bytes, std::string from, const std::string& to);

// Converts `bytes` exactly: nothing when any character cannot be decoded or represented, or a
// character set is unknown.
std::optional<std::string> ConvertTextExactly(const std::string& bytes, const std::string& from,
                                              const std::string& to);

}  // namespace dbx
