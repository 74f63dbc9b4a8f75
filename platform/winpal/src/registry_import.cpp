// Importing .reg files into the registry and exporting keys as .reg text.
#include <fstream>
#include <iterator>
#include <set>

#include <winpal/winpal.h>

#include "registry_handles.h"
#include "registry_hive.h"
#include "registry_text.h"

namespace winpal {

namespace {

using namespace reg;

// Larger files are refused rather than read into memory.
constexpr std::uintmax_t kMaxImportBytes = std::uintmax_t{256} * 1024 * 1024;

LONG Fail(std::string* error, LONG status, std::string message) {
    if (error)
        *error = std::move(message);
    return status;
}

LONG ImportBytes(std::string_view bytes, const std::string& source, std::string* error) {
    std::vector<TextSection> sections;
    std::string message;
    if (!ParseRegText(bytes, source, sections, message)) {
        return Fail(error, ERROR_INVALID_PARAMETER, message);
    }
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    HiveWriter writer;
    std::set<Hive> hives;
    for (const TextSection& section : sections) {
        if (std::optional<Hive> hive = PlaceOfRoot(section.root).hive)
            hives.insert(*hive);
    }
    for (Hive hive : hives) {
        Key* tree = nullptr;
        if (LONG status = writer.Open(hive, &tree)) {
            return Fail(error, status, "the registry cannot be changed: " + writer.Error());
        }
        writer.MarkChanged(hive);
    }
    auto targetOf = [&](Root root) -> SectionTarget {
        RootPlace place = PlaceOfRoot(root);
        if (!place.hive) {
            return {
                nullptr, {}, std::string(RootName(root)) + " is read-only and stays empty here"};
        }
        Key* tree = nullptr;
        writer.Open(*place.hive, &tree);
        return {tree, place.base, {}};
    };
    std::vector<std::pair<Hive, KeyPath>> removed;
    auto onRemove = [&](Root root, const KeyPath& path) {
        removed.emplace_back(*PlaceOfRoot(root).hive, path);
    };
    if (!ApplySections(sections, targetOf, source, message, onRemove)) {
        return Fail(error, ERROR_INVALID_PARAMETER, message);
    }
    if (LONG status = writer.Commit()) {
        return Fail(error, status, "the registry cannot be saved: " + writer.Error());
    }
    for (const auto& [hive, path] : removed)
        MarkHandlesDeleted(hive, path, true);
    return ERROR_SUCCESS;
}

std::u16string JoinPath(std::u16string path, const KeyPath& names) {
    for (const std::u16string& name : names)
        path += u"\\" + name;
    return path;
}

}  // namespace

LONG RegImportFile(const std::filesystem::path& file, std::string* error) {
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        return Fail(
            error,
            ec == std::errc::no_such_file_or_directory ? ERROR_FILE_NOT_FOUND : ERROR_CANTREAD,
            file.string() + ": cannot be read: " + ec.message());
    }
    if (size > kMaxImportBytes) {
        return Fail(error, ERROR_INVALID_PARAMETER, file.string() + ": larger than 256 MB");
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return Fail(error, ERROR_CANTREAD, file.string() + ": cannot be read");
    return ImportBytes(bytes, file.string(), error);
}

LONG RegImportText(std::string_view text, std::string* error) {
    return ImportBytes(text, "(text)", error);
}

// The key path is UTF-8, as the text returned.
LONG RegExportKey(std::string_view fullKeyPath, std::string* text) {
    if (!text)
        return ERROR_INVALID_PARAMETER;
    KeyPath below;
    std::optional<Root> root = SplitFullPath(Utf8ToUtf16(fullKeyPath), below);
    if (!root)
        return ERROR_FILE_NOT_FOUND;
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    static const Key empty;
    RootPlace place = PlaceOfRoot(*root);
    const Key* base = &empty;
    if (place.hive) {
        const Key* tree = ReadHive(*place.hive);
        if (!tree)
            return ERROR_FILE_NOT_FOUND;
        base = FindPath(*tree, place.base);
        if (!base)
            base = &empty;
    }
    const Key* key = FindPath(*base, below);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    *text = kRegHeader;
    AppendRegSections(*key, JoinPath(RootName16(*root), StoredNames(*base, below)), *text);
    return ERROR_SUCCESS;
}

std::string RegLastLoadError() {
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    return LastLoadError();
}

}  // namespace winpal
