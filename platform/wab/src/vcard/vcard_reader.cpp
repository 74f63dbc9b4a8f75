// Reading vCard files: physical lines, unfolded into content lines (with 2.1's quoted-printable
// soft line breaks and base64 blocks), content lines into properties, properties into cards.
#include <optional>

#include "vcard/vcard.h"

namespace vcard {
namespace {

struct Line {
    int number;
    std::string text;
};

std::vector<Line> PhysicalLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    int number = 1;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n')
            continue;
        if (i == text.size() && start == i)
            break;
        lines.push_back({number++, std::string(text.substr(start, i - start))});
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

// The position of the first ':' outside double quotes.
std::size_t ValueColon(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool IsNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool IsName(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (!IsNameCharacter(c))
            return false;
    }
    return true;
}

// Splits at `separator` outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"') {
            quoted = !quoted;
        } else if (i == text.size() || (text[i] == separator && !quoted)) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

std::string Unquote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return std::string(text.substr(1, text.size() - 2));
    return std::string(text);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The encoding a content line declares: ENCODING=... or a bare 2.1 encoding, upper case.
std::string HeadEncoding(std::string_view line) {
    const std::vector<std::string_view> head =
        SplitOutsideQuotes(line.substr(0, ValueColon(line)), ';');
    for (std::size_t k = 1; k < head.size(); ++k) {
        const std::string token = Upper(Trim(head[k]));
        if (token.rfind("ENCODING=", 0) == 0)
            return token.substr(9);
        if (token == "QUOTED-PRINTABLE" || token == "BASE64")
            return token;
    }
    return {};
}

// Content lines: folded lines joined (the line break and one space or tab removed), a
// quoted-printable value continued after a soft line break ("=" at the end), and the lines of
// a 2.1 base64 block (up to the empty line that ends it) joined to their property.
std::vector<Line> ContentLines(const std::vector<Line>& lines) {
    std::vector<Line> out;
    std::size_t i = 0;
    auto folded = [&](std::string& text) {
        while (i < lines.size() && !lines[i].text.empty() &&
               (lines[i].text[0] == ' ' || lines[i].text[0] == '\t')) {
            text.append(lines[i].text, 1);
            ++i;
        }
    };
    while (i < lines.size()) {
        Line line = lines[i++];
        folded(line.text);
        const std::string encoding = HeadEncoding(line.text);
        if (encoding == "QUOTED-PRINTABLE") {
            while (!line.text.empty() && line.text.back() == '=' && i < lines.size()) {
                line.text.pop_back();
                line.text += lines[i++].text;
                folded(line.text);
            }
        } else if (encoding == "BASE64" || encoding == "B") {
            while (i < lines.size() && !lines[i].text.empty() &&
                   lines[i].text.find(':') == std::string::npos) {
                line.text += lines[i++].text;
            }
        }
        out.push_back(std::move(line));
    }
    return out;
}

bool ParseProperty(const Line& line, Property* out, std::string* error) {
    const std::size_t colon = ValueColon(line.text);
    if (colon == std::string::npos) {
        *error = "the line is not a property (no \":\")";
        return false;
    }
    const std::string_view text(line.text);
    std::vector<std::string_view> head = SplitOutsideQuotes(text.substr(0, colon), ';');
    std::string_view name = head[0];
    const std::size_t dot = name.rfind('.');
    Property p;
    p.line = line.number;
    if (dot != std::string_view::npos) {
        p.group = std::string(name.substr(0, dot));
        name = name.substr(dot + 1);
        for (std::string_view part : SplitOutsideQuotes(p.group, '.')) {
            if (!IsName(part)) {
                *error = "bad group name \"" + p.group + "\"";
                return false;
            }
        }
    }
    if (!IsName(name)) {
        *error = "bad property name \"" + std::string(name) + "\"";
        return false;
    }
    p.name = Upper(name);
    for (std::size_t k = 1; k < head.size(); ++k) {
        const std::string_view token = Trim(head[k]);
        if (token.empty())
            continue;
        const std::size_t eq = token.find('=');
        Parameter param;
        if (eq == std::string_view::npos) {
            const std::string bare = Upper(token);
            const bool encoding =
                bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" || bare == "7BIT";
            param.name = encoding ? "ENCODING" : "TYPE";
            param.values.push_back(std::string(token));
        } else {
            param.name = Upper(Trim(token.substr(0, eq)));
            if (!IsName(param.name)) {
                *error = "bad parameter \"" + std::string(token) + "\"";
                return false;
            }
            for (std::string_view value : SplitOutsideQuotes(token.substr(eq + 1), ','))
                param.values.push_back(Unquote(Trim(value)));
        }
        p.params.push_back(std::move(param));
    }
    p.value = std::string(text.substr(colon + 1));
    *out = std::move(p);
    return true;
}

const std::string* ParamValue(const Property& p, std::string_view name) {
    for (const Parameter& param : p.params) {
        if (param.name == name && !param.values.empty())
            return &param.values.front();
    }
    return nullptr;
}

// Decodes the value in place: quoted-printable, then the character set, to UTF-8.
bool DecodeValue(Property& p, const std::string& version, std::string* error) {
    const std::string* encoding = ParamValue(p, "ENCODING");
    if (encoding && (EqualNoCase(*encoding, "BASE64") || EqualNoCase(*encoding, "B"))) {
        std::string compact;
        for (char c : p.value) {
            if (c != ' ' && c != '\t')
                compact.push_back(c);
        }
        p.value = std::move(compact);
        p.binary = true;
        return true;
    }
    std::string bytes = p.value;
    if (encoding && EqualNoCase(*encoding, "QUOTED-PRINTABLE") &&
        !DecodeQuotedPrintable(p.value, &bytes)) {
        *error = "bad quoted-printable text in " + p.name;
        return false;
    }
    if (const std::string* charset = ParamValue(p, "CHARSET")) {
        if (!ConvertToUtf8(bytes, *charset, &p.value)) {
            *error = "the text of " + p.name + " is not in the character set " + *charset;
            return false;
        }
        return true;
    }
    if (IsUtf8(bytes)) {
        p.value = std::move(bytes);
        return true;
    }
    if (version == "2.1" && ConvertToUtf8(bytes, "WINDOWS-1252", &p.value))
        return true;
    *error = "the text of " + p.name + " is not UTF-8";
    return false;
}

class CardBuilder {
  public:
    explicit CardBuilder(ReadResult& result) : result_(result) {}

    void Take(const Line& line) {
        if (Trim(line.text).empty())
            return;
        Property p;
        std::string error;
        const bool ok = ParseProperty(line, &p, &error);
        const bool begin = ok && p.name == "BEGIN" && EqualNoCase(Trim(p.value), "VCARD");
        if (!card_) {
            if (begin) {
                Start(line.number);
            } else {
                result_.problems.push_back(
                    {line.number, ok ? "a " + p.name + " line outside a card" : error});
            }
            return;
        }
        if (!ok) {
            Break(line.number, error);
            return;
        }
        if (begin) {
            Break(card_->line, "the card that begins here has no END:VCARD");
            Finish();
            Start(line.number);
            return;
        }
        if (p.name == "END") {
            if (!EqualNoCase(Trim(p.value), "VCARD"))
                Break(line.number, "END:" + p.value + " inside a card");
            Finish();
            return;
        }
        if (p.name == "VERSION") {
            if (!card_->version.empty())
                Break(line.number, "a second VERSION");
            card_->version = std::string(Trim(p.value));
            versionLine_ = line.number;
        }
        card_->properties.push_back(std::move(p));
    }

    void End() {
        if (!card_)
            return;
        Break(card_->line, "the card that begins here has no END:VCARD");
        Finish();
    }

  private:
    void Start(int line) {
        card_ = Card{};
        card_->line = line;
        problem_.reset();
        versionLine_ = line;
    }
    void Break(int line, std::string message) {
        if (!problem_)
            problem_ = Problem{line, std::move(message)};
    }
    void Finish() {
        const std::string& version = card_->version;
        if (!problem_ && version.empty())
            Break(card_->line, "the card has no VERSION");
        if (!problem_ && version != "2.1" && version != "3.0" && version != "4.0")
            Break(versionLine_, "unknown vCard version \"" + version + "\"");
        for (Property& p : card_->properties) {
            std::string error;
            if (!problem_ && !DecodeValue(p, version, &error))
                Break(p.line, error);
        }
        if (problem_) {
            result_.problems.push_back(std::move(*problem_));
        } else {
            result_.cards.push_back(std::move(*card_));
        }
        card_.reset();
        problem_.reset();
    }

    ReadResult& result_;
    std::optional<Card> card_;
    std::optional<Problem> problem_;
    int versionLine_ = 0;
};

}  // namespace

bool Property::HasType(std::string_view type) const {
    for (const Parameter& param : params) {
        if (param.name != "TYPE")
            continue;
        for (const std::string& value : param.values) {
            for (std::string_view part : SplitOutsideQuotes(value, ',')) {
                if (EqualNoCase(Trim(part), type))
                    return true;
            }
        }
    }
    return false;
}

bool Property::IsPreferred() const {
    if (HasType("PREF"))
        return true;
    for (const Parameter& param : params) {
        if (param.name == "PREF")
            return true;
    }
    return false;
}

ReadResult Read(std::string_view text) {
    ReadResult result;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    CardBuilder builder(result);
    for (const Line& line : ContentLines(PhysicalLines(text)))
        builder.Take(line);
    builder.End();
    return result;
}

}  // namespace vcard
