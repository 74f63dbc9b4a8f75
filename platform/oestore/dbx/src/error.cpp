#include "dbx/error.h"

#include <cstdio>

namespace dbx {

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string Issue::ToString() const {
    return structure + " at " + Hex(offset) + ": " + detail;
}

Error::Error(ErrorCode code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

Error::Error(ErrorCode code, const std::string& message, int os_error)
    : std::runtime_error(message), code_(code), os_error_(os_error) {}

Error::Error(ErrorCode code, const Issue& issue)
    : std::runtime_error(issue.ToString()), code_(code), issue_(issue) {}

void ThrowCorrupt(const std::string& structure, uint64_t offset, const std::string& detail) {
    throw Error(ErrorCode::kCorrupt, Issue{structure, offset, detail});
}

}  // namespace dbx
