// Display names that the headers do not give.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mimeole {

// message/rfc822, message/news or message/global: a message attached whole.
bool IsAttachedMessage(std::string_view type, std::string_view subtype);

// The file name on the "begin <mode> <name>" line of uuencoded content (UTF-8; other bytes read
// as Windows-1252), or empty text when there is no such line.
std::string UuencodedFileName(std::string_view content);

// "ATTnnnnn.ext" for the body at 1-based `position` of the attachment list: "txt" for
// text/plain, "htm" for text/html, "eml" for an attached message, "dat" for anything else.
std::string GeneratedName(std::size_t position, std::string_view type, std::string_view subtype);

}  // namespace mimeole
