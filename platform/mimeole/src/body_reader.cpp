// Parses a message with GMime and keeps the bodies that GetAttachments lists.
#include <algorithm>

#include "body.h"
#include "display_name.h"
#include "gmime_session.h"
#include "parser_view.h"
#include "structure_limits.h"

namespace mimeole {
namespace {

std::string LowerCase(const char* text) {
    std::string lower(text ? text : "");
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string NonEmpty(const char* a, const char* b) {
    if (a && *a)
        return a;
    return b ? b : "";
}

Body Describe(GMimePart* part, const std::string& text, const ParserView& view) {
    GMimeObject* object = GMIME_OBJECT(part);
    Body body;
    GMimeContentType* type = g_mime_object_get_content_type(object);
    body.type = LowerCase(type ? g_mime_content_type_get_media_type(type) : "text");
    body.subtype = LowerCase(type ? g_mime_content_type_get_media_subtype(type) : "plain");
    body.charsetTagged = g_mime_object_get_content_type_parameter(object, "charset") != nullptr;
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    body.markedAttachment =
        disposition && g_mime_content_disposition_is_attachment(disposition) != FALSE;
    body.fileName = NonEmpty(g_mime_object_get_content_disposition_parameter(object, "filename"),
                             g_mime_object_get_content_type_parameter(object, "name"));
    body.encoding = g_mime_part_get_content_encoding(part);
    // The parser keeps content as a window on its stream, the view's text.
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    GMimeStream* stream = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
    if (stream) {
        const size_t viewSize = view.Text().size();
        const auto inMessage = [&](gint64 offset) {
            const size_t inView =
                offset < 0 ? viewSize : std::min(static_cast<size_t>(offset), viewSize);
            return std::min(view.MessageOffset(inView), text.size());
        };
        body.contentEnd = inMessage(stream->bound_end);
        body.contentBegin = std::min(inMessage(stream->bound_start), body.contentEnd);
    }
    if (body.fileName.empty() && body.encoding == GMIME_CONTENT_ENCODING_UUENCODE) {
        body.fileName = UuencodedFileName(
            std::string_view(text).substr(body.contentBegin, body.contentEnd - body.contentBegin));
    }
    return body;
}

// A uuencoded body holds a file, whatever its type says.
bool IsMessageText(const Body& body) {
    return body.type == "text" && (body.subtype == "plain" || body.subtype == "html") &&
           !body.markedAttachment && body.encoding != GMIME_CONTENT_ENCODING_UUENCODE;
}

// Lists the leaves below `object` in message order. `mayBeText`: the leaf would be the message's
// text (the message itself, a first part, an alternative) if it is of a text type.
void Walk(GMimeObject* object, bool mayBeText, size_t depth, const std::string& text,
          const ParserView& view, std::vector<Body>* bodies) {
    if (bodies->size() >= kMostBodies)
        return;
    if (GMIME_IS_MULTIPART(object)) {
        if (depth > kMostMultiparts)
            return;
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        GMimeContentType* type = g_mime_object_get_content_type(object);
        const bool alternative =
            type && g_mime_content_type_is_type(type, "multipart", "alternative");
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            Walk(g_mime_multipart_get_part(multipart, i), mayBeText && (alternative || i == 0),
                 depth + 1, text, view, bodies);
        }
    } else if (GMIME_IS_PART(object)) {
        Body body = Describe(GMIME_PART(object), text, view);
        if (!(mayBeText && IsMessageText(body)))
            bodies->push_back(std::move(body));
    }
}

}  // namespace

std::vector<Body> ReadBodies(const std::string& text) {
    ParserOptions options = NewParserOptions();
    const ParserView view(text, options.get());
    GPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(view.Text().data(), view.Text().size()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_persist_stream(parser.get(), TRUE);
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));

    std::vector<Body> bodies;
    GMimeObject* root = message ? g_mime_message_get_mime_part(message.get()) : nullptr;
    if (root)
        Walk(root, true, 0, text, view, &bodies);
    for (size_t i = 0; i < bodies.size(); ++i) {
        Body& body = bodies[i];
        const bool holdsAFile =
            body.type != "text" || body.encoding == GMIME_CONTENT_ENCODING_UUENCODE;
        body.attachment = body.markedAttachment || IsAttachedMessage(body.type, body.subtype) ||
                          (holdsAFile && !body.fileName.empty());
        body.displayName =
            body.fileName.empty() ? GeneratedName(i + 1, body.type, body.subtype) : body.fileName;
    }
    return bodies;
}

}  // namespace mimeole
