#include "parser_limits.h"

#include <deque>
#include <unordered_set>

#include "gmime_session.h"
#include "structure_limits.h"

namespace mimeole {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != prefix[i])
            return false;
    }
    return true;
}

// The lines of a text: [begin, end) without the "\n".
class LineWalk {
  public:
    explicit LineWalk(std::string_view text) : text_(text) { Find(0); }
    bool Done() const { return begin_ > text_.size() || text_.empty(); }
    size_t Begin() const { return begin_; }
    size_t End() const { return end_; }
    std::string_view Line() const { return text_.substr(begin_, end_ - begin_); }
    void Next() { Find(end_ + 1); }

  private:
    void Find(size_t begin) {
        begin_ = begin;
        if (begin_ >= text_.size()) {
            begin_ = text_.size() + 1;
            return;
        }
        const size_t newline = text_.find('\n', begin_);
        end_ = newline == std::string_view::npos ? text_.size() : newline;
    }

    std::string_view text_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

// Writes into a copy of the text, made on the first change.
class Masks {
  public:
    explicit Masks(std::string_view text) : text_(text) {}
    void Set(size_t at, char c) {
        if (!copy_)
            copy_.emplace(text_);
        (*copy_)[at] = c;
    }
    char At(size_t at) const { return copy_ ? (*copy_)[at] : text_[at]; }
    std::optional<std::string> Take() { return std::move(copy_); }

  private:
    std::string_view text_;
    std::optional<std::string> copy_;
};

// The value of a "Content-Type:" field that starts at `line`, or nothing for another line.
// `valueBegin` and `valueEnd` cover the value with its continuation lines.
std::optional<std::string> ContentTypeValue(std::string_view text, const LineWalk& line,
                                            size_t* valueBegin, size_t* valueEnd) {
    constexpr std::string_view kName = "content-type";
    const std::string_view first = line.Line();
    if (!StartsWithNoCase(first, kName))
        return std::nullopt;
    size_t colon = kName.size();
    while (colon < first.size() && IsBlank(first[colon]))
        ++colon;
    if (colon >= first.size() || first[colon] != ':')
        return std::nullopt;
    *valueBegin = line.Begin() + colon + 1;
    size_t end = line.End();
    while (end + 1 < text.size() && IsBlank(text[end + 1])) {
        const size_t next = text.find('\n', end + 1);
        end = next == std::string_view::npos ? text.size() : next;
    }
    *valueEnd = end;
    std::string value;
    value.reserve(end - *valueBegin);
    for (size_t i = *valueBegin; i < end; ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            value.push_back(text[i]);
    }
    return value;
}

struct ContentTypeUnref {
    void operator()(GMimeContentType* type) const { g_object_unref(type); }
};

// The boundary when `value` declares a multipart ("" for one without a boundary), else nothing.
std::optional<std::string> MultipartBoundary(GMimeParserOptions* options,
                                             const std::string& value) {
    std::unique_ptr<GMimeContentType, ContentTypeUnref> type(
        g_mime_content_type_parse(options, value.c_str()));
    if (!type || !g_mime_content_type_is_type(type.get(), "multipart", "*"))
        return std::nullopt;
    const char* boundary = g_mime_content_type_get_parameter(type.get(), "boundary");
    return std::string(boundary ? boundary : "");
}

// Takes the multipart type away from the declaration whose field name starts at `field`.
void MaskMultipart(std::string_view text, GMimeParserOptions* options, size_t field,
                   size_t valueBegin, size_t valueEnd, Masks* masks) {
    constexpr std::string_view kType = "multipart";
    std::string value;
    for (size_t i = valueBegin; i < valueEnd; ++i) {
        if (StartsWithNoCase(text.substr(i, valueEnd - i), kType))
            masks->Set(i, 'X');
        const char c = masks->At(i);
        if (c != '\r' && c != '\n')
            value.push_back(c);
    }
    if (MultipartBoundary(options, value))
        masks->Set(field, 'X');  // "Xontent-Type": no type at all
}

// The lines that delimit a body end with their boundary, optionally "--", and blanks.
bool IsDelimiter(std::string_view line, const std::unordered_set<std::string_view>& boundaries) {
    while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.size() < 2 || line[0] != '-' || line[1] != '-')
        return false;
    line.remove_prefix(2);
    if (boundaries.count(line))
        return true;
    return line.size() >= 2 && line.substr(line.size() - 2) == "--" &&
           boundaries.count(line.substr(0, line.size() - 2));
}

}  // namespace

std::optional<std::string> WithinParserLimits(std::string_view text, GMimeParserOptions* options) {
    Masks masks(text);

    std::deque<std::string> boundaryTexts;
    std::unordered_set<std::string_view> boundaries;
    size_t multiparts = 0;
    for (LineWalk line(text); !line.Done(); line.Next()) {
        size_t valueBegin = 0;
        size_t valueEnd = 0;
        const auto value = ContentTypeValue(text, line, &valueBegin, &valueEnd);
        if (!value)
            continue;
        auto boundary = MultipartBoundary(options, *value);
        if (!boundary)
            continue;
        if (++multiparts > kMostMultiparts) {
            MaskMultipart(text, options, line.Begin(), valueBegin, valueEnd, &masks);
        } else if (!boundary->empty()) {
            boundaries.insert(boundaryTexts.emplace_back(std::move(*boundary)));
        }
    }

    size_t delimiters = 0;
    size_t headerLines = 0;
    size_t blockLines = 0;
    bool inHeaders = true;  // the message's own header block comes first
    for (LineWalk line(text); !line.Done(); line.Next()) {
        if (IsDelimiter(line.Line(), boundaries)) {
            if (++delimiters <= kMostDelimiters) {
                inHeaders = true;
                blockLines = 0;
                continue;
            }
            masks.Set(line.Begin(), 'X');  // "X-boundary" delimits nothing
        }
        if (!inHeaders)
            continue;
        const std::string_view content = line.Line();
        if (content.empty() || content == "\r") {
            inHeaders = false;
            continue;
        }
        if (++blockLines > kMostHeaderLinesInABlock || ++headerLines > kMostHeaderLines) {
            // An empty line ends the block; the rest of this line must not start a delimiter.
            masks.Set(line.Begin(), '\n');
            if (content.size() > 1 && content[1] == '-')
                masks.Set(line.Begin() + 1, 'X');
            inHeaders = false;
        }
    }
    return masks.Take();
}

}  // namespace mimeole
