#include "import_app/CopyTempFiles.h"

#include <unistd.h>

#include <atomic>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

#include "import_support/FileLocks.h"

namespace copytemp {

namespace {

constexpr std::string_view kPrefix = ".ferrydeck-copy-";
constexpr std::string_view kSuffix = ".tmp";
// Field 22 of /proc/PID/stat is the start time; fields are counted from 1 and the second, the
// program name in parentheses, may itself hold blanks and parentheses.
constexpr int kStartTimeField = 22;

template <class Number>
bool ParseNumber(std::string_view text, Number& value) {
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<Owner> Running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return std::nullopt;
    std::string::size_type nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= kStartTimeField && fields >> field; ++number) {
        if (number == kStartTimeField) {
            Owner owner{pid, 0};
            if (ParseNumber(field, owner.start))
                return owner;
        }
    }
    return std::nullopt;
}

Owner Self() {
    static const Owner self = Running(::getpid()).value_or(Owner{::getpid(), 0});
    return self;
}

std::filesystem::path TempPathFor(const std::filesystem::path& destination) {
    static std::atomic<unsigned> next{0};
    const Owner self = Self();
    std::string name = std::string(kPrefix) + std::to_string(self.pid) + "-" +
                       std::to_string(self.start) + "-" + std::to_string(next++) +
                       std::string(kSuffix);
    return destination.parent_path() / name;
}

std::optional<Owner> OwnerOfTempName(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return std::nullopt;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    // pid-start-sequence
    std::string_view::size_type first = name.find('-');
    std::string_view::size_type second =
        first == std::string_view::npos ? first : name.find('-', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    Owner owner;
    unsigned sequence = 0;
    if (!ParseNumber(name.substr(0, first), owner.pid) || owner.pid <= 0 ||
        !ParseNumber(name.substr(first + 1, second - first - 1), owner.start) ||
        !ParseNumber(name.substr(second + 1), sequence)) {
        return std::nullopt;
    }
    return owner;
}

int RemoveStaleTempFiles(const std::filesystem::path& folder) {
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::optional<Owner> owner = OwnerOfTempName(entry.path().filename().string());
        if (!owner || !entry.is_regular_file(error))
            continue;
        // The owner still runs (its id now names the same process): its copy may be under way.
        if (Running(owner->pid) == owner)
            continue;
        if (filelocks::LockedByAnother(entry.path()))
            continue;
        if (std::filesystem::remove(entry.path(), error))
            ++removed;
    }
    return removed;
}

}  // namespace copytemp
