#include "dbx/mail_headers.h"

#include <cctype>

#include "ascii_text.h"
#include "charset.h"
#include "dbx/filetime.h"
#include "dbx/schema.h"

namespace dbx {

namespace {

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string Unquote(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size())
            ++i;
        out.push_back(s[i]);
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeBase64(std::string_view in) {
    std::string out;
    uint32_t buffer = 0;
    int bits = 0;
    for (char c : in) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else
            continue;
        buffer = (buffer << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

std::string DecodeQ(std::string_view in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '_') {
            out.push_back(' ');
        } else if (in[i] == '=' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 &&
                   HexDigit(in[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2])));
            i += 2;
        } else {
            out.push_back(in[i]);
        }
    }
    return out;
}

const char* SkipComment(const char* p, const char* end) {
    int depth = 0;
    for (; p < end; ++p) {
        if (*p == '\\' && p + 1 < end) {
            ++p;
        } else if (*p == '(') {
            ++depth;
        } else if (*p == ')' && --depth == 0) {
            return p + 1;
        }
    }
    return end;
}

// Record strings are kept short enough that a message record stays well below the largest block
// the file's free lists can take back (about 8 KB); a longer value is cut, and a reference list
// keeps its end (the nearest ancestors).
constexpr size_t kMaxColumnText = 512;
constexpr size_t kMaxReferences = 1024;

// A record string is one line of text: a line break or NUL that a header value carries (bare,
// or decoded from an encoded word) becomes a blank, so that nothing built from the column later
// gains a header line, and the string is not cut short where it is read.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return line;
}

std::string Clip(std::string_view text) {
    return OneLine(text.substr(0, kMaxColumnText));
}

std::string ClipReferences(std::string_view text) {
    if (text.size() <= kMaxReferences)
        return OneLine(text);
    text = text.substr(text.size() - kMaxReferences);
    size_t start = text.find('<');
    return OneLine(start == std::string_view::npos ? text : text.substr(start));
}

std::string JoinDisplays(const std::vector<Mailbox>& boxes) {
    // How the store shows several recipients in one column is not known; names are joined with
    // "; " as the mail client joins recipients when it writes them.
    std::string out;
    for (const Mailbox& box : boxes) {
        if (!out.empty())
            out += "; ";
        out += box.display;
    }
    return out;
}

}  // namespace

std::vector<HeaderField> ParseHeaderFields(std::string_view message) {
    std::vector<HeaderField> fields;
    size_t pos = 0;
    while (pos < message.size()) {
        size_t eol = message.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = message.size();
        std::string_view line = message.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = eol + 1;
        if (line.empty())
            break;
        if ((line[0] == ' ' || line[0] == '\t') && !fields.empty()) {
            fields.back().value += ' ';
            fields.back().value += Trim(line);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        fields.push_back(
            {std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1)))});
    }
    return fields;
}

std::optional<std::string> FindHeaderField(const std::vector<HeaderField>& fields,
                                           std::string_view name) {
    for (const HeaderField& field : fields) {
        if (EqualsIgnoreCase(field.name, name))
            return field.value;
    }
    return std::nullopt;
}

std::string DecodeEncodedWords(std::string_view value, const std::string& charset) {
    std::string out;
    std::string pending_space;
    bool last_was_word = false;
    size_t pos = 0;
    while (pos < value.size()) {
        size_t start = value.find("=?", pos);
        if (start == std::string_view::npos)
            break;
        size_t q1 = value.find('?', start + 2);
        size_t q2 = q1 == std::string_view::npos ? q1 : value.find('?', q1 + 1);
        size_t end = q2 == std::string_view::npos ? q2 : value.find("?=", q2 + 1);
        if (end == std::string_view::npos || q2 != q1 + 2) {
            out.append(value.substr(pos, start + 2 - pos));
            pos = start + 2;
            last_was_word = false;
            continue;
        }
        std::string_view between = value.substr(pos, start - pos);
        // White space between two encoded words is dropped.
        if (!(last_was_word && Trim(between).empty()))
            out.append(between);
        std::string word_charset(value.substr(start + 2, q1 - start - 2));
        char encoding = static_cast<char>(std::toupper(static_cast<unsigned char>(value[q1 + 1])));
        std::string_view text = value.substr(q2 + 1, end - q2 - 1);
        std::string bytes;
        if (encoding == 'B') {
            bytes = DecodeBase64(text);
        } else if (encoding == 'Q') {
            bytes = DecodeQ(text);
        } else {
            out.append(value.substr(start, end + 2 - start));
            pos = end + 2;
            last_was_word = false;
            continue;
        }
        out += ConvertText(bytes, word_charset, charset);
        pos = end + 2;
        last_was_word = true;
    }
    out.append(value.substr(pos));
    return out;
}

std::vector<Mailbox> ParseAddressList(std::string_view value) {
    // Split at commas outside quotes, angle brackets and comments.
    std::vector<std::string_view> parts;
    const char* begin = value.data();
    const char* end = value.data() + value.size();
    const char* part = begin;
    bool quoted = false;
    int angle = 0;
    for (const char* p = begin; p < end; ++p) {
        if (quoted) {
            if (*p == '\\' && p + 1 < end)
                ++p;
            else if (*p == '"')
                quoted = false;
        } else if (*p == '"') {
            quoted = true;
        } else if (*p == '(') {
            p = SkipComment(p, end) - 1;
        } else if (*p == '<') {
            ++angle;
        } else if (*p == '>' && angle > 0) {
            --angle;
        } else if ((*p == ',' || *p == ';') && angle == 0) {
            parts.emplace_back(part, static_cast<size_t>(p - part));
            part = p + 1;
        }
    }
    parts.emplace_back(part, static_cast<size_t>(end - part));

    std::vector<Mailbox> boxes;
    for (std::string_view text : parts) {
        text = Trim(text);
        if (text.empty())
            continue;
        // A group "name: a, b;" keeps only its members; the name ends at the first colon.
        if (size_t colon = text.find(':');
            colon != std::string_view::npos && text.find('<') > colon && text.find('"') > colon) {
            text = Trim(text.substr(colon + 1));
            if (text.empty())
                continue;
        }
        Mailbox box;
        size_t open = text.rfind('<');
        size_t close = text.rfind('>');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
            box.address = std::string(Trim(text.substr(open + 1, close - open - 1)));
            box.display = Unquote(text.substr(0, open));
        } else {
            // A bare address, perhaps with the name in a comment; or a name alone.
            std::string bare;
            std::string comment;
            for (const char* p = text.data(); p < text.data() + text.size(); ++p) {
                if (*p == '(') {
                    const char* after = SkipComment(p, text.data() + text.size());
                    comment.assign(p + 1,
                                   static_cast<size_t>(std::max<ptrdiff_t>(0, after - p - 2)));
                    p = after - 1;
                } else {
                    bare.push_back(*p);
                }
            }
            std::string trimmed(Trim(bare));
            if (trimmed.find('@') != std::string::npos) {
                box.address = trimmed;
                box.display = std::string(Trim(comment));
            } else {
                box.display = Unquote(trimmed);
            }
        }
        if (box.display.empty())
            box.display = box.address;
        boxes.push_back(std::move(box));
    }
    return boxes;
}

std::string NormalizeSubject(std::string_view subject) {
    // A prefix of one to three letters, a colon and a blank ("Re: ", "Fw: ", "Fwd: ", "AW: ").
    size_t letters = 0;
    while (letters < subject.size() && letters < 4 &&
           std::isalpha(static_cast<unsigned char>(subject[letters]))) {
        ++letters;
    }
    if (letters >= 1 && letters <= 3 && subject.size() > letters + 1 && subject[letters] == ':' &&
        subject[letters + 1] == ' ') {
        return std::string(Trim(subject.substr(letters + 2)));
    }
    return std::string(subject);
}

Record MessageRecordFromText(std::string_view text, const NewMessageOptions& options) {
    std::vector<HeaderField> fields = ParseHeaderFields(text);
    auto decoded = [&](std::string_view name) -> std::optional<std::string> {
        auto value = FindHeaderField(fields, name);
        if (!value)
            return std::nullopt;
        return DecodeEncodedWords(*value, options.charset);
    };
    uint64_t stored = options.stored_time ? options.stored_time : FileTimeNow();

    std::optional<uint64_t> sent;
    if (auto date = FindHeaderField(fields, "Date"))
        sent = ParseMailDate(*date);
    std::optional<uint64_t> received;
    if (auto hop = FindHeaderField(fields, "Received")) {
        size_t semicolon = hop->rfind(';');
        if (semicolon != std::string::npos)
            received = ParseMailDate(hop->substr(semicolon + 1));
    }
    if (!received)
        received = sent ? *sent : stored;
    if (!sent)
        sent = *received;

    Record record;
    record.SetDword(msgcol::kFlags, options.flags);
    record.SetFileTime(msgcol::kDate, *sent);
    record.SetFileTime(msgcol::kDownloadTime, stored);
    record.SetFileTime(msgcol::kReceivedDate, *received);
    std::string subject = decoded("Subject").value_or("");
    record.SetString(msgcol::kSubject, Clip(subject));
    record.SetString(msgcol::kNormalizedSubject, Clip(NormalizeSubject(subject)));
    if (auto id = FindHeaderField(fields, "Message-ID"))
        record.SetString(msgcol::kMessageId, Clip(*id));
    if (auto references = FindHeaderField(fields, "References")) {
        record.SetString(msgcol::kReferences, ClipReferences(*references));
    }
    std::vector<Mailbox> from = ParseAddressList(decoded("From").value_or(""));
    record.SetString(msgcol::kDisplayFrom, from.empty() ? "" : Clip(from[0].display));
    record.SetString(msgcol::kEmailFrom, from.empty() ? "" : Clip(from[0].address));
    std::vector<Mailbox> to = ParseAddressList(decoded("To").value_or(""));
    record.SetString(msgcol::kDisplayTo, Clip(JoinDisplays(to)));
    record.SetString(msgcol::kEmailTo, to.empty() ? "" : Clip(to[0].address));

    uint32_t priority = 3;
    std::string x_priority(Trim(FindHeaderField(fields, "X-Priority").value_or("")));
    std::string importance(
        Trim(FindHeaderField(fields, "Importance")
                 .value_or(FindHeaderField(fields, "X-MSMail-Priority").value_or(""))));
    if (!x_priority.empty() && (x_priority[0] == '1' || x_priority[0] == '2'))
        priority = 1;
    else if (!x_priority.empty() && (x_priority[0] == '4' || x_priority[0] == '5'))
        priority = 5;
    else if (EqualsIgnoreCase(importance, "high"))
        priority = 1;
    else if (EqualsIgnoreCase(importance, "low"))
        priority = 5;
    record.SetDword(msgcol::kPriority, priority);
    return record;
}

}  // namespace dbx
