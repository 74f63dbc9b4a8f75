#include "display_name.h"

#include <cstdio>

#include "gmime_session.h"

namespace mimeole {
namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// "begin 644 name": the name, or nothing for another line.
std::string_view BeginLineName(std::string_view line) {
    constexpr std::string_view kBegin = "begin ";
    if (line.substr(0, kBegin.size()) != kBegin)
        return {};
    size_t at = kBegin.size();
    const size_t modeBegin = at;
    while (at < line.size() && IsOctal(line[at]))
        ++at;
    if (at == modeBegin || at >= line.size() || line[at] != ' ')
        return {};
    std::string_view name = line.substr(at + 1);
    while (!name.empty() && (name.back() == '\r' || name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    return name;
}

}  // namespace

bool IsAttachedMessage(std::string_view type, std::string_view subtype) {
    return type == "message" && (subtype == "rfc822" || subtype == "news" || subtype == "global");
}

std::string UuencodedFileName(std::string_view content) {
    size_t begin = 0;
    while (begin < content.size()) {
        size_t end = content.find('\n', begin);
        if (end == std::string_view::npos)
            end = content.size();
        const std::string_view name = BeginLineName(content.substr(begin, end - begin));
        if (!name.empty()) {
            const ParserOptions options = NewParserOptions();
            char* utf8 = g_mime_utils_decode_8bit(options.get(), name.data(), name.size());
            std::string result(utf8 ? utf8 : "");
            g_free(utf8);
            return result;
        }
        begin = end + 1;
    }
    return {};
}

std::string GeneratedName(size_t position, std::string_view type, std::string_view subtype) {
    const char* extension = "dat";
    if (type == "text" && subtype == "plain")
        extension = "txt";
    else if (type == "text" && subtype == "html")
        extension = "htm";
    else if (IsAttachedMessage(type, subtype))
        extension = "eml";
    char name[32];
    std::snprintf(name, sizeof name, "ATT%05zu.%s", position, extension);
    return name;
}

}  // namespace mimeole
