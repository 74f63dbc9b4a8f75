// Environment variables as the Windows API shows them: names without regard to letter case,
// values in the ANSI code page, and USERPROFILE, APPDATA, TEMP and TMP always present.
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>

#include <unistd.h>

#include <winpal/kernel.h>
#include <winpal/winpal.h>

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// The process environment's value (UTF-8, as POSIX keeps it) of `name`, matched exactly first and
// then without regard to case; an empty value counts as unset, since Windows has none.
std::optional<std::string> FindInEnvironment(std::string_view utf8Name) {
    if (utf8Name.empty() || utf8Name.find('=') != std::string_view::npos)
        return std::nullopt;
    if (const char* exact = std::getenv(std::string(utf8Name).c_str())) {
        if (*exact)
            return std::string(exact);
    }
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        std::size_t eq = text.find('=');
        if (eq == std::string_view::npos || eq + 1 == text.size())
            continue;
        if (EqualIgnoringCase(text.substr(0, eq), utf8Name))
            return std::string(text.substr(eq + 1));
    }
    return std::nullopt;
}

// The folder for temporary files in GetTempPath's order: TMP, TEMP, USERPROFILE, then the
// system's temporary folder where Windows would take its own folder.
std::filesystem::path TempFolder() {
    std::filesystem::path folder;
    if (auto tmp = FindInEnvironment("TMP")) {
        folder = *tmp;
    } else if (auto temp = FindInEnvironment("TEMP")) {
        folder = *temp;
    } else if (auto profile = FindInEnvironment("USERPROFILE")) {
        folder = *profile;
    } else {
        std::error_code ec;
        folder = std::filesystem::temp_directory_path(ec);
        if (ec)
            folder = "/tmp";
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    return ec ? folder : absolute.lexically_normal();
}

std::string AnsiFromUtf8(std::string_view utf8) {
    return winpal::WideToAnsi(winpal::Utf8ToUtf16(utf8));
}

std::string Utf8FromAnsi(std::string_view ansi) {
    return winpal::Utf16ToUtf8(winpal::AnsiToWide(ansi));
}

// The value of a variable in ANSI text, with the defaults a Windows session always has.
std::optional<std::string> LookUpVariable(std::string_view ansiName) {
    std::string name = Utf8FromAnsi(ansiName);
    if (auto value = FindInEnvironment(name))
        return AnsiFromUtf8(*value);
    if (EqualIgnoringCase(name, "USERPROFILE"))
        return winpal::AnsiFromPath(winpal::ProfilePath());
    // The per-user application data folder of a Windows XP profile.
    if (EqualIgnoringCase(name, "APPDATA"))
        return winpal::AnsiFromPath(winpal::ProfilePath() / "Application Data");
    if (EqualIgnoringCase(name, "TEMP") || EqualIgnoringCase(name, "TMP")) {
        std::string folder = winpal::AnsiFromPath(TempFolder());
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder;
    }
    return std::nullopt;
}

// The convention of GetEnvironmentVariable and GetTempPath: the length without the NUL when the
// text fits, otherwise the size needed with the NUL and the buffer left alone.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
    if (!buffer || text.size() >= size)
        return static_cast<DWORD>(text.size() + 1);
    text.copy(buffer, text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize) {
    if (!lpSrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string_view src(lpSrc);
    std::string out;
    std::size_t i = 0;
    while (i < src.size()) {
        std::size_t open = src.find('%', i);
        if (open == std::string_view::npos) {
            out.append(src.substr(i));
            break;
        }
        out.append(src.substr(i, open - i));
        std::size_t close = src.find('%', open + 1);
        if (close == std::string_view::npos) {  // a lone "%" stays as written
            out.append(src.substr(open));
            break;
        }
        std::optional<std::string> value = LookUpVariable(src.substr(open + 1, close - open - 1));
        out.append(value ? std::string_view(*value) : src.substr(open, close - open + 1));
        i = close + 1;
    }
    const DWORD needed = static_cast<DWORD>(out.size() + 1);
    if (lpDst && needed <= nSize) {
        out.copy(lpDst, out.size());
        lpDst[out.size()] = '\0';
    }
    return needed;
}

DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    std::optional<std::string> value = lpName ? LookUpVariable(lpName) : std::nullopt;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return CopyOut(*value, lpBuffer, nSize);
}

DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::string folder = winpal::AnsiFromPath(TempFolder());
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return CopyOut(folder, lpBuffer, nBufferLength);
}

BOOL SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    std::string name = lpName ? Utf8FromAnsi(lpName) : std::string();
    if (name.empty() || name.find('=') != std::string::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // One variable per name whatever its letter case, as in a Windows environment block.
    for (bool removed = true; removed;) {
        removed = false;
        for (char** entry = environ; entry && *entry; ++entry) {
            std::string_view text(*entry);
            std::size_t eq = text.find('=');
            if (eq != std::string_view::npos && EqualIgnoringCase(text.substr(0, eq), name)) {
                unsetenv(std::string(text.substr(0, eq)).c_str());
                removed = true;
                break;
            }
        }
    }
    if (lpValue && setenv(name.c_str(), Utf8FromAnsi(lpValue).c_str(), 1) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
