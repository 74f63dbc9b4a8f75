// Keeps what GMime's parser sees within the limits of structure_limits.h.
#pragma once

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>

namespace mimeole {

// A copy of `text` in which the structure beyond the limits no longer reads as structure, or
// nothing when `text` is within them. Multipart declarations past the limit lose their
// "multipart" type, delimiter lines past it their leading "-", and header lines past a limit
// become the end of their header block. The copy has the length of `text`, so offsets into it
// are offsets into `text`: content is always read from `text` itself.
//
// The scan reads every "Content-Type" line and every line that could delimit a body, wherever
// it stands, so it counts at least what the parser will; it never counts less.
std::optional<std::string> WithinParserLimits(std::string_view text, GMimeParserOptions* options);

}  // namespace mimeole
