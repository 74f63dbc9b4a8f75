// winreg: imports .reg files into the registry of the prefix, exports keys as .reg text and
// lists a key's subkeys and values.
//
//   winreg import FILE.reg
//   winreg export [--utf16] KEY [FILE]
//   winreg query KEY
//   winreg --version
//
// KEY is a full path such as "HKEY_CURRENT_USER\Identities". Exports are UTF-8 text; with
// --utf16 they are UTF-16LE with a byte-order mark and CRLF line ends, as Windows' regedit
// writes and reads them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "program_version.h"
#include "registry_roots.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: winreg import FILE.reg\n"
                 "       winreg export [--utf16] KEY [FILE]\n"
                 "       winreg query KEY\n"
                 "       winreg --version\n"
                 "KEY is a full key path, e.g. \"HKEY_CURRENT_USER\\Identities\".\n");
    return kUsageError;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "winreg: %s\n", message.c_str());
    return 1;
}

std::string ErrorText(LONG status) {
    switch (status) {
        case ERROR_FILE_NOT_FOUND:
            return "the key does not exist";
        case ERROR_ACCESS_DENIED:
            return "access denied";
        case ERROR_BADDB:
            return "the registry file is malformed (" + winpal::RegLastLoadError() + ")";
        default:
            return "error " + std::to_string(status);
    }
}

int Import(const char* file) {
    std::string error;
    if (winpal::RegImportFile(file, &error) != ERROR_SUCCESS)
        return Fail(error);
    return 0;
}

// UTF-16LE with a byte-order mark and CRLF line ends.
std::string ForRegedit(const std::string& utf8) {
    std::u16string text = winpal::Utf8ToUtf16(utf8);
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        if (c == u'\n') {
            bytes += '\r';
            bytes += '\0';
        }
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

int Export(const std::string& key, const char* file, bool utf16) {
    std::string text;
    if (LONG status = winpal::RegExportKey(key, &text)) {
        return Fail("cannot export " + key + ": " + ErrorText(status));
    }
    if (utf16)
        text = ForRegedit(text);
    if (!file) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the export");
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out)
        return Fail(std::string("cannot write ") + file);
    return 0;
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_QWORD:
            return "REG_QWORD";
        default:
            return nullptr;
    }
}

// The data as reg.exe shows it: text up to its NUL, multi-strings joined by "\0", numbers in
// hex, anything else as hex bytes.
std::string ShowData(DWORD type, const std::vector<BYTE>& data) {
    auto text = [&](std::size_t from) {
        std::size_t end = from;
        while (end < data.size() && data[end] != 0)
            ++end;
        return std::string(data.begin() + static_cast<long>(from),
                           data.begin() + static_cast<long>(end));
    };
    char number[32];
    if ((type == REG_SZ || type == REG_EXPAND_SZ))
        return text(0);
    if (type == REG_MULTI_SZ) {
        std::string shown;
        for (std::size_t at = 0; at < data.size() && data[at] != 0;) {
            std::string item = text(at);
            if (!shown.empty())
                shown += "\\0";
            shown += item;
            at += item.size() + 1;
        }
        return shown;
    }
    if (type == REG_DWORD && data.size() == 4) {
        DWORD d = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
        std::snprintf(number, sizeof number, "0x%x", static_cast<unsigned>(d));
        return number;
    }
    if (type == REG_QWORD && data.size() == 8) {
        unsigned long long q = 0;
        for (int i = 7; i >= 0; --i)
            q = (q << 8) | data[static_cast<std::size_t>(i)];
        std::snprintf(number, sizeof number, "0x%llx", q);
        return number;
    }
    std::string shown;
    for (BYTE b : data) {
        std::snprintf(number, sizeof number, "%02X", b);
        shown += number;
    }
    return shown;
}

int Query(const std::string& fullPath) {
    winpal::reg::KeyPath below;
    std::optional<winpal::reg::Root> root =
        winpal::reg::SplitFullPath(winpal::Utf8ToUtf16(fullPath), below);
    if (!root)
        return Fail("\"" + fullPath +
                    "\" does not start with a root key such as HKEY_CURRENT_USER");
    std::string subkey;
    for (const std::u16string& name : below) {
        subkey += (subkey.empty() ? "" : "\\") + winpal::WideToAnsi(name);
    }
    HKEY key = nullptr;
    if (LONG status =
            RegOpenKeyExA(winpal::reg::RootHandle(*root), subkey.c_str(), 0, KEY_READ, &key)) {
        return Fail("cannot open " + fullPath + ": " + ErrorText(status));
    }
    DWORD maxName = 0, maxData = 0, subkeys = 0, maxSubkey = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, nullptr,
                     &maxName, &maxData, nullptr, nullptr);
    std::printf("%s\n", fullPath.c_str());
    for (DWORD i = 0;; ++i) {
        std::vector<char> name(maxName + 1);
        std::vector<BYTE> data(maxData);
        DWORD nameSize = maxName + 1, dataSize = maxData, type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        data.resize(dataSize);
        const char* typeName = TypeName(type);
        std::string unknownType = "REG_TYPE_" + std::to_string(type);
        std::printf("    %s    %s    %s\n", nameSize ? name.data() : "(Default)",
                    typeName ? typeName : unknownType.c_str(), ShowData(type, data).c_str());
    }
    // A key name holds up to 255 UTF-16 units, which can take three times as many bytes in
    // UTF-8: the buffer follows the longest name the key reports.
    for (DWORD i = 0; i < subkeys; ++i) {
        std::vector<char> name(maxSubkey + 1);
        DWORD nameSize = maxSubkey + 1;
        if (RegEnumKeyExA(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        std::printf("%s\\%s\n", fullPath.c_str(), name.data());
    }
    RegCloseKey(key);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Key names and data go to and from the terminal as UTF-8, without loss.
    setenv("WINPAL_ACP", "65001", 1);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::puts(program_version::kLine);
        return 0;
    }
    if (args.size() == 2 && args[0] == "import")
        return Import(args[1].c_str());
    if (args.size() == 2 && args[0] == "query")
        return Query(args[1]);
    if (!args.empty() && args[0] == "export") {
        bool utf16 = args.size() > 1 && args[1] == "--utf16";
        std::size_t first = utf16 ? 2 : 1;
        if (args.size() == first + 1)
            return Export(args[first], nullptr, utf16);
        if (args.size() == first + 2)
            return Export(args[first], args[first + 1].c_str(), utf16);
    }
    return Usage();
}
