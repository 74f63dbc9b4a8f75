// Runs every registered case, prints each failure and the documented differences, and exits
// with 1 when any check failed. A name on the command line runs only the cases containing it.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include <objbase.h>

#include "check.h"

namespace check {
namespace {

struct Registered {
    const char* name;
    void (*body)();
};

std::vector<Registered>& Cases() {
    static std::vector<Registered> cases;
    return cases;
}

const char* currentCase = "";
long checks = 0;
long failures = 0;
std::set<std::string> differences;

const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            base = p + 1;
    }
    return base;
}

}  // namespace

std::string Show(const std::string& text) {
    std::string shown = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", c);
            shown += code;
        }
    }
    return shown + "\"";
}

std::string Show(const char* text) {
    return text ? Show(std::string(text)) : std::string("(null)");
}

std::string Show(const WideText& text) {
    std::string shown = "L\"";
    for (WCHAR c : text) {
        unsigned unit = static_cast<unsigned>(c);
        if (unit >= 0x20 && unit < 0x7F) {
            shown += static_cast<char>(unit);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04X", unit);
            shown += code;
        }
    }
    return shown + "\"";
}

std::string Show(const WCHAR* text) {
    return text ? Show(WideText(text)) : std::string("(null)");
}

std::string Show(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string ShowInteger(std::int64_t value, bool isUnsigned, std::size_t size) {
    char text[64];
    if (isUnsigned) {
        std::snprintf(text, sizeof text, "%" PRIu64, static_cast<std::uint64_t>(value));
    } else if (size == 4 && value < 0) {
        // Result codes read best in hexadecimal.
        std::snprintf(text, sizeof text, "%" PRId64 " (0x%08" PRIX32 ")", value,
                      static_cast<std::uint32_t>(value));
    } else {
        std::snprintf(text, sizeof text, "%" PRId64, value);
    }
    return text;
}

void Record(bool passed, const char* file, int line, const std::string& what) {
    ++checks;
    if (passed)
        return;
    ++failures;
    std::printf("FAILED %s (%s:%d): %s\n", currentCase, BaseName(file), line, what.c_str());
}

void NoteDifference(const char* file, int line, const char* reason) {
    differences.insert(std::string(BaseName(file)) + ":" + std::to_string(line) + ": " + reason);
}

Case::Case(const char* name, void (*body)()) {
    Cases().push_back({name, body});
}

}  // namespace check

int main(int argc, char** argv) {
    using namespace check;
    const char* only = argc > 1 ? argv[1] : nullptr;
    // Every case runs in one single-threaded apartment, as the control's host does.
    if (FAILED(CoInitialize(nullptr))) {
        std::printf("CoInitialize failed\n");
        return 1;
    }
    int run = 0;
    for (const Registered& c : Cases()) {
        if (only && !std::strstr(c.name, only))
            continue;
        currentCase = c.name;
        long failuresBefore = failures;
        c.body();
        std::printf("%s %s\n", failures == failuresBefore ? "ok    " : "FAILED", c.name);
        ++run;
    }
    CoUninitialize();
    std::printf("%s side: %d cases, %ld checks, %ld failed, %zu documented differences\n",
                kOnWindows ? "Windows (Wine)" : "winpal", run, checks, failures,
                differences.size());
    for (const std::string& difference : differences)
        std::printf("  difference %s\n", difference.c_str());
    std::fflush(stdout);
    return failures == 0 && run > 0 ? 0 : 1;
}
