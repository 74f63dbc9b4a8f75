// What GMime's parser is given: the message's structure without the bulk of its content, and
// within the limits of structure_limits.h.
#pragma once

#include <gmime/gmime.h>

#include <string>
#include <string_view>
#include <vector>

namespace mimeole {

// The text the parser reads, and how its offsets map back to the message text.
//
// GMime compares every content line against the open boundaries, at a few tens of megabytes a
// second; the structure needs only the header blocks and the lines that could delimit a body.
// So each run of content lines is given to the parser as its last character that is not a line
// break (with the line breaks after it), and a content window the parser reports maps back to
// the whole run. Beyond the limits, multipart
// declarations lose their "multipart" type, delimiter lines their leading "-", and header lines
// become the end of their header block; content is always read from the message text itself.
//
// The scan treats every "Content-Type" line and every line that could delimit a body as such,
// wherever it stands, so it keeps at least the lines that the parser reads as structure.
class ParserView {
  public:
    ParserView(std::string_view message, GMimeParserOptions* options);

    const std::string& Text() const { return text_; }
    // The message offset of `offset` in Text(): a content window [begin, end) of the parser
    // maps to [MessageOffset(begin), MessageOffset(end)).
    size_t MessageOffset(size_t offset) const;

  private:
    struct Cut {
        size_t at;             // where lines were left out, in text_
        size_t removedBefore;  // bytes left out up to and including this cut
    };
    std::string text_;
    std::vector<Cut> cuts_;
};

}  // namespace mimeole
