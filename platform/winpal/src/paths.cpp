// File names at the boundary between the Windows API and the file system: ANSI text with "\"
// separators and drive letters on one side, UTF-8 POSIX paths on the other.
#include <cctype>
#include <system_error>

#include <winpal/winpal.h>

namespace winpal {
namespace {

// "c:", "D:\x", "e:/x": a drive letter and its colon at the start of the path.
bool StartsWithDrive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           std::isalpha(static_cast<unsigned char>(path[0])) &&
           static_cast<unsigned char>(path[0]) < 0x80;
}

// The folder that stands for a drive: "drive_c" in the prefix, as Wine keeps it, made when it is
// first named so that a path on the drive can be written at once.
std::filesystem::path DriveFolder(char letter) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    std::filesystem::path folder = PrefixPath() / (std::string("drive_") + lower);
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    return folder;
}

}  // namespace

std::filesystem::path PathFromAnsi(std::string_view ansiPath) {
    std::string utf8 = Utf16ToUtf8(AnsiToWide(ansiPath));
    for (char& c : utf8) {
        if (c == '\\')
            c = '/';
    }
    if (!StartsWithDrive(utf8))
        return std::filesystem::path(utf8);
    // The rest is taken from the drive's root whether or not it starts with a separator (a
    // drive-relative path, "c:x", has no other current folder to be relative to here), and, as
    // on Windows, ".." at the root of a drive stays there.
    std::filesystem::path rest =
        (std::filesystem::path("/") / utf8.substr(2)).lexically_normal().relative_path();
    std::filesystem::path folder = DriveFolder(utf8[0]);
    return rest.empty() ? folder / "" : folder / rest;
}

std::string AnsiFromPath(const std::filesystem::path& path) {
    return WideToAnsi(Utf8ToUtf16(path.string()));
}

}  // namespace winpal
