#include "dbx/file_names.h"

#include "charset.h"

namespace dbx {

namespace {

constexpr char kUtf8[] = "UTF-8";

bool PlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
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
    return ConvertTextExactly(std::string(file_column), CodePageCharset(code_page), kUtf8);
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
    return ConvertTextExactly(on_disk_name.filename().string(), kUtf8, CodePageCharset(code_page));
}

}  // namespace dbx
