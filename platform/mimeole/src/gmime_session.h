// GMime, set up once for this library: its initialisation, attached messages read as opaque
// bodies, and the parser options every parse uses.
#pragma once

#include <gmime/gmime.h>

#include <memory>

namespace mimeole {

// Initialises GMime on first use. message/rfc822, message/news and message/global are then
// built as plain parts, so an attached message is one body with its raw bytes as content and
// is never parsed into.
void UseGMime();

struct ParserOptionsFree {
    void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};
using ParserOptions = std::unique_ptr<GMimeParserOptions, ParserOptionsFree>;

// Loose RFC compliance (what real mailers write), and header bytes that are not UTF-8 read as
// Windows-1252, the code page Outlook Express writes on Western systems.
ParserOptions NewParserOptions();

// Holds one GObject reference.
struct GObjectUnref {
    void operator()(void* object) const {
        if (object)
            g_object_unref(object);
    }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

}  // namespace mimeole
