// The columns a message record carries, derived from the message's own header: sender and
// recipient (display name and address), subject and normalised subject, dates, Message-ID,
// references and priority. Encoded words (RFC 2047) are decoded into the code page the record
// strings use (Windows-1252 unless told otherwise).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/record.h"

namespace dbx {

struct HeaderField {
    std::string name;
    std::string value;  // unfolded, without the line break
};

// The header fields of a message, up to the first empty line.
std::vector<HeaderField> ParseHeaderFields(std::string_view message);
// The value of the first field named `name` (any case).
std::optional<std::string> FindHeaderField(const std::vector<HeaderField>& fields,
                                           std::string_view name);

// Decodes RFC 2047 encoded words into `charset` (an iconv name such as "WINDOWS-1252");
// characters it cannot hold become '?'.
std::string DecodeEncodedWords(std::string_view value, const std::string& charset);

struct Mailbox {
    std::string display;  // the display name, or the address when there is none
    std::string address;
};
std::vector<Mailbox> ParseAddressList(std::string_view value);

// The subject without a reply or forward prefix ("Re: help" becomes "help"; a bare "Re:" stays).
std::string NormalizeSubject(std::string_view subject);

struct NewMessageOptions {
    uint32_t flags = 0;        // e.g. msgflag::kRead
    uint64_t stored_time = 0;  // when it is stored in the folder; 0: now
    std::string charset = "WINDOWS-1252";
};

// A record with every column a new local message gets, from the message text. Append adds the
// id, text address and size. Its strings are single lines: CR, LF and NUL in a header value
// (raw or decoded) become blanks.
Record MessageRecordFromText(std::string_view text, const NewMessageOptions& options = {});

}  // namespace dbx
