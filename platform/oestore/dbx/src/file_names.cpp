#include "dbx/file_names.h"

#include <algorithm>

#include "charset.h"

namespace dbx {

namespace {

constexpr char kUtf8[] = "UTF-8";

bool PlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// Windows' code page 1252 leaves five bytes unassigned and maps each to the C1 control of the
// same value, where iconv refuses them; names holding them keep them as Windows does.
constexpr std::string_view kUnassigned1252 = "\x81\x8D\x8F\x90\x9D";

std::optional<std::string> FromCodePage(std::string_view text, unsigned code_page) {
    if (code_page != 1252)
        return ConvertTextExactly(std::string(text), CodePageCharset(code_page), kUtf8);
    std::string out;
    for (size_t start = 0;;) {
        const size_t stop = std::min(text.find_first_of(kUnassigned1252, start), text.size());
        std::optional<std::string> part = ConvertTextExactly(
            std::string(text.substr(start, stop - start)), "WINDOWS-1252", kUtf8);
        if (!part)
            return std::nullopt;
        out += *part;
        if (stop == text.size())
            return out;
        out += '\xC2';
        out += text[stop];
        start = stop + 1;
    }
}

// Where UTF-8 `text` holds one of the C1 controls that stand for 1252's unassigned bytes.
size_t FindUnassigned1252(std::string_view text, size_t from) {
    for (size_t at = text.find('\xC2', from); at != std::string_view::npos;
         at = text.find('\xC2', at + 1)) {
        if (at + 1 < text.size() && kUnassigned1252.find(text[at + 1]) != std::string_view::npos)
            return at;
    }
    return text.size();
}

std::optional<std::string> ToCodePage(std::string_view text, unsigned code_page) {
    if (code_page != 1252)
        return ConvertTextExactly(std::string(text), kUtf8, CodePageCharset(code_page));
    std::string out;
    for (size_t start = 0;;) {
        const size_t stop = FindUnassigned1252(text, start);
        std::optional<std::string> part = ConvertTextExactly(
            std::string(text.substr(start, stop - start)), kUtf8, "WINDOWS-1252");
        if (!part)
            return std::nullopt;
        out += *part;
        if (stop == text.size())
            return out;
        out += text[stop + 1];
        start = stop + 2;
    }
}

bool Fits(const std::filesystem::path& file) {
    return file.filename().native().size() <= kMaxFileNameBytes;
}

}  // namespace

std::filesystem::path JournalPath(const std::filesystem::path& file) {
    return std::filesystem::path(file.native() + ".journal");
}

std::filesystem::path BuildingPath(const std::filesystem::path& file) {
    return std::filesystem::path(file.native() + ".new");
}

bool CompanionNamesFit(const std::filesystem::path& file) {
    return Fits(file) && Fits(JournalPath(file)) && Fits(BuildingPath(file));
}

std::string CodePageCharset(unsigned code_page) {
    switch (code_page) {
        case 65001:
            return kUtf8;
        case 28591:
            return "ISO-8859-1";
        default:
            return "WINDOWS-" + std::to_string(code_page);
    }
}

std::optional<std::string> StoreFileName(std::string_view file_column, unsigned code_page) {
    if (!PlainFileName(file_column))
        return std::nullopt;
    return FromCodePage(file_column, code_page);
}

std::optional<std::filesystem::path> StoreFilePath(const std::filesystem::path& store_dir,
                                                   std::string_view file_column,
                                                   unsigned code_page) {
    std::optional<std::string> name = StoreFileName(file_column, code_page);
    if (!name)
        return std::nullopt;
    return store_dir / *name;
}

std::optional<std::string> StoreFileColumn(const std::filesystem::path& on_disk_name,
                                           unsigned code_page) {
    return ToCodePage(on_disk_name.filename().string(), code_page);
}

}  // namespace dbx
