// Errors of the .dbx library. Every problem found in a file names the structure and the file
// offset where it was found ("tree node at 0x1F400: ..."), so a person can look at the bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbx {

enum class ErrorCode {
    kCorrupt,          // the file's bytes break the format
    kUnsupported,      // a valid DirectDB file of a kind this library does not handle
    kIo,               // the operating system refused a read, write or rename
    kNotFound,         // no message or folder with the given id
    kInvalidArgument,  // a request that cannot be carried out (duplicate name, bad parent...)
    kFull,             // the file would grow past the 2 GiB that 32-bit addresses allow
};

// One problem in a file: which structure, where, and what is wrong with it.
struct Issue {
    std::string structure;  // e.g. "tree node", "record", "stream block", "file header"
    uint64_t offset = 0;
    std::string detail;

    std::string ToString() const;  // "tree node at 0x1F400: detail"
};

class Error : public std::runtime_error {
  public:
    Error(ErrorCode code, const std::string& message);
    // A refusal by the operating system, with its error number (errno).
    Error(ErrorCode code, const std::string& message, int os_error);
    // A problem located in the file.
    Error(ErrorCode code, const Issue& issue);

    ErrorCode code() const { return code_; }
    // The located problem, when the error comes from a structure in the file.
    const std::optional<Issue>& issue() const { return issue_; }
    // The operating system's error number behind a kIo error; 0 when there is none.
    int os_error() const { return os_error_; }

  private:
    ErrorCode code_;
    std::optional<Issue> issue_;
    int os_error_ = 0;
};

// Shorthand for the most common error: a corrupt structure at an offset.
[[noreturn]] void ThrowCorrupt(const std::string& structure, uint64_t offset,
                               const std::string& detail);

// "0x1F400"
std::string Hex(uint64_t value);

// Problems collected while reading leniently (salvage); each skipped item is listed once.
struct IssueList {
    std::vector<Issue> issues;
    void Add(const std::string& structure, uint64_t offset, const std::string& detail) {
        issues.push_back({structure, offset, detail});
    }
    bool empty() const { return issues.empty(); }
};

}  // namespace dbx
