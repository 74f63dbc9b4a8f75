// What a message keeps of one listed body: read from GMime's tree once, when the message is
// parsed; the content itself stays in the message's text.
#pragma once

#include <gmime/gmime.h>

#include <cstddef>
#include <string>
#include <vector>

namespace mimeole {

struct Body {
    std::string type;               // lower case, "text"
    std::string subtype;            // lower case, "plain"
    bool markedAttachment = false;  // Content-Disposition: attachment
    bool charsetTagged = false;     // Content-Type has a charset parameter
    std::string fileName;           // UTF-8, decoded; empty when the headers name no file
    GMimeContentEncoding encoding = GMIME_CONTENT_ENCODING_DEFAULT;
    // The content as stored (still transfer-encoded): [contentBegin, contentEnd) of the text.
    std::size_t contentBegin = 0;
    std::size_t contentEnd = 0;

    // Decided once the list is complete.
    bool attachment = false;
    std::string displayName;  // UTF-8
};

// The listed bodies of `text` in message order, with their attachment flags and display names.
std::vector<Body> ReadBodies(const std::string& text);

}  // namespace mimeole
