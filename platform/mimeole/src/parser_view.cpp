#include "parser_view.h"

#include <algorithm>

#include <deque>
#include <optional>
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

ParserView::ParserView(std::string_view message, GMimeParserOptions* options) {
    // Multipart declarations past the limit lose their type (in a copy, on the first change).
    Masks declarations(message);
    std::deque<std::string> boundaryTexts;
    std::unordered_set<std::string_view> boundaries;
    size_t multiparts = 0;
    for (LineWalk line(message); !line.Done(); line.Next()) {
        size_t valueBegin = 0;
        size_t valueEnd = 0;
        const auto value = ContentTypeValue(message, line, &valueBegin, &valueEnd);
        if (!value)
            continue;
        auto boundary = MultipartBoundary(options, *value);
        if (!boundary)
            continue;
        if (++multiparts > kMostMultiparts) {
            MaskMultipart(message, options, line.Begin(), valueBegin, valueEnd, &declarations);
        } else if (!boundary->empty()) {
            boundaries.insert(boundaryTexts.emplace_back(std::move(*boundary)));
        }
    }
    const std::optional<std::string> masked = declarations.Take();
    const std::string_view source = masked ? std::string_view(*masked) : message;

    // Header blocks and delimiter lines are kept whole; a run of content lines keeps its last.
    size_t delimiters = 0;
    size_t headerLines = 0;
    size_t blockLines = 0;
    bool inHeaders = true;  // the message's own header block comes first
    constexpr size_t kNone = std::string_view::npos;
    size_t runBegin = kNone;
    size_t anchor = kNone;  // the run's last character that is not a line break
    size_t runEnd = 0;
    const auto keep = [&](size_t begin, size_t end) {
        text_.append(source.substr(begin, std::min(end, source.size()) - begin));
    };
    // A run of content lines is left out up to its last character that is not a line break, so
    // a content window of the parser that ends at or after that character ends after the run.
    const auto endRun = [&] {
        if (runBegin == kNone)
            return;
        size_t kept = runBegin;
        if (anchor != kNone && anchor > runBegin) {
            const size_t removed = (cuts_.empty() ? 0 : cuts_.back().removedBefore);
            cuts_.push_back({text_.size(), removed + (anchor - runBegin)});
            kept = anchor;
        }
        keep(kept, runEnd);
        runBegin = kNone;
        anchor = kNone;
    };
    for (LineWalk line(source); !line.Done(); line.Next()) {
        const size_t lineEnd = line.End() + 1;  // with its "\n"
        if (IsDelimiter(line.Line(), boundaries)) {
            endRun();
            const size_t at = text_.size();
            keep(line.Begin(), lineEnd);
            if (++delimiters <= kMostDelimiters) {
                inHeaders = true;
                blockLines = 0;
            } else {
                text_[at] = 'X';  // "X-boundary" delimits nothing
            }
            continue;
        }
        if (inHeaders) {
            const size_t at = text_.size();
            keep(line.Begin(), lineEnd);
            const std::string_view content = line.Line();
            if (content.empty() || content == "\r") {
                inHeaders = false;
            } else if (++blockLines > kMostHeaderLinesInABlock ||
                       ++headerLines > kMostHeaderLines) {
                // An empty line ends the block; the rest of this line must not start a delimiter.
                text_[at] = '\n';
                if (content.size() > 1 && content[1] == '-')
                    text_[at + 1] = 'X';
                inHeaders = false;
            }
            continue;
        }
        if (runBegin == kNone)
            runBegin = line.Begin();
        std::string_view content = line.Line();
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        if (!content.empty())
            anchor = line.Begin() + content.size() - 1;
        runEnd = lineEnd;
    }
    endRun();
}

size_t ParserView::MessageOffset(size_t offset) const {
    // Lines left out at `at` lie inside a window that begins there and outside one that ends
    // there: only cuts before `offset` count.
    const auto next = std::lower_bound(cuts_.begin(), cuts_.end(), offset,
                                       [](const Cut& cut, size_t o) { return cut.at < o; });
    return offset + (next == cuts_.begin() ? 0 : std::prev(next)->removedBefore);
}

}  // namespace mimeole
