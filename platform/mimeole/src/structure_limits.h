// How much structure a message may have before the rest is read as plain content. GMime's
// parser keeps about a kilobyte per body and half a kilobyte per header line, and compares
// every line that starts with "--" against each open multipart's boundary, so these numbers
// bound its memory and time on any input; real mail stays far below them.
#pragma once

#include <cstddef>

namespace mimeole {

// Multipart containers honoured, in text order; this also bounds the nesting depth.
constexpr std::size_t kMostMultiparts = 64;
// Lines read as body delimiters ("--boundary"), in text order.
constexpr std::size_t kMostDelimiters = 1000;
// Header lines read as headers in one header block, and in the whole message.
constexpr std::size_t kMostHeaderLinesInABlock = 1000;
constexpr std::size_t kMostHeaderLines = 20000;
// Bodies listed by GetAttachments.
constexpr std::size_t kMostBodies = 1000;

}  // namespace mimeole
