// dbxtool cat and extract: raw message text to standard output or to one .eml file per message.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "commands.h"
#include "dbx/message_file.h"

namespace dbxtool {

namespace {

// Copies a message's text to `fd` in large pieces; false (with the problem in `issues`) when the
// text is damaged part way (what could be read is written).
bool CopyText(dbx::MessageFile& file, const dbx::MessageInfo& message, int fd,
              dbx::IssueList& issues) {
    dbx::StreamReader text = file.OpenText(message);
    static char buffer[1 << 16];
    for (;;) {
        size_t n = 0;
        bool damaged = false;
        try {
            n = text.Read(buffer, sizeof buffer);
        } catch (const dbx::Error& error) {
            if (!error.issue())
                throw;
            issues.issues.push_back(*error.issue());
            damaged = true;
        }
        for (size_t done = 0; done < n;) {
            ssize_t w = ::write(fd, buffer + done, n - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                throw dbx::Error(dbx::ErrorCode::kIo,
                                 std::string("cannot write: ") + std::strerror(errno));
            done += static_cast<size_t>(w);
        }
        if (damaged)
            return false;
        if (n == 0)
            return true;
    }
}

uint32_t ParseId(const std::string& text) {
    char* end = nullptr;
    unsigned long id = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || id > 0xFFFFFFFFul) {
        throw dbx::Error(dbx::ErrorCode::kInvalidArgument, "\"" + text + "\" is not a message id");
    }
    return static_cast<uint32_t>(id);
}

}  // namespace

int Cat(const Args& args) {
    dbx::MessageFile file = dbx::MessageFile::Open(args[0]);
    uint32_t id = ParseId(args[1]);
    std::optional<dbx::MessageInfo> message = file.Find(id);
    if (!message)
        throw dbx::Error(dbx::ErrorCode::kNotFound,
                         args[0] + " holds no message with id " + args[1]);
    dbx::IssueList issues;
    bool whole = CopyText(file, *message, STDOUT_FILENO, issues);
    for (const dbx::Issue& issue : issues.issues)
        std::fprintf(stderr, "damaged: %s\n", issue.ToString().c_str());
    return whole ? 0 : 1;
}

int Extract(const Args& args) {
    dbx::MessageFile file = dbx::MessageFile::Open(args[0]);
    std::filesystem::path dir = args[1];
    std::filesystem::create_directories(dir);
    dbx::MessageCursor cursor = file.Messages();
    dbx::MessageInfo message;
    dbx::IssueList issues;
    uint64_t written = 0, partial = 0, without_body = 0;
    while (cursor.Next(message)) {
        if (message.stream == 0) {
            ++without_body;  // headers only: the body was never downloaded
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%08u.eml", message.id);
        std::filesystem::path path = dir / name;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            throw dbx::Error(dbx::ErrorCode::kIo,
                             "cannot create " + path.string() + ": " + std::strerror(errno));
        }
        bool whole = CopyText(file, message, fd, issues);
        ::close(fd);
        ++written;
        if (!whole)
            ++partial;
    }
    for (const dbx::Issue& issue : cursor.issues().issues)
        std::fprintf(stderr, "problem: %s\n", issue.ToString().c_str());
    for (const dbx::Issue& issue : issues.issues)
        std::fprintf(stderr, "damaged text: %s\n", issue.ToString().c_str());
    std::printf("%llu message(s) written to %s", static_cast<unsigned long long>(written),
                dir.c_str());
    if (without_body)
        std::printf(", %llu without a body skipped", static_cast<unsigned long long>(without_body));
    if (partial)
        std::printf(", %llu cut short by damage", static_cast<unsigned long long>(partial));
    if (cursor.skipped())
        std::printf(", %llu damaged part(s) skipped",
                    static_cast<unsigned long long>(cursor.skipped()));
    if (cursor.salvaged())
        std::printf(", %llu recovered by scanning",
                    static_cast<unsigned long long>(cursor.salvaged()));
    std::printf("\n");
    return partial || cursor.skipped() ? 1 : 0;
}

}  // namespace dbxtool
