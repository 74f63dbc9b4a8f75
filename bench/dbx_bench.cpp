// Speed and memory of the .dbx library on a large mailbox (100 000 messages, about 300 MB):
// listing (time, and peak memory in a fresh process), against the independent extractor undbx;
// appending one message (per append, large file and small file); extracting every message to .eml
// files (on disk, and in memory to separate the library from the file system's cost of creating
// files). Usage: dbx_bench [WORK_DIR [MESSAGES]]; the generated files are kept in WORK_DIR.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dbx/message_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string MessageText(uint32_t n) {
    std::string text =
        "Return-Path: <list" + std::to_string(n % 97) +
        "@lists.example.org>\r\n"
        "Received: from mx.example.org by pop.example.net; Tue, 6 Jul 2004 10:" +
        std::to_string(10 + n % 50) +
        ":00 +0000\r\n"
        "From: \"Person " +
        std::to_string(n % 1000) + "\" <person" + std::to_string(n % 1000) +
        "@example.org>\r\nTo: \"Reader\" <reader@example.net>\r\n"
        "Subject: Re: discussion thread " +
        std::to_string(n / 7) + " about topic " + std::to_string(n % 13) +
        "\r\nDate: Tue, 6 Jul 2004 09:" + std::to_string(10 + n % 50) +
        ":00 +0200\r\nMessage-ID: <" + std::to_string(n) +
        ".bench@example.org>\r\n"
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n";
    size_t target = 1500 + (n * 7919) % 3000;  // 1.5 to 4.5 KB, about 3 KB on average
    std::string line =
        "Message " + std::to_string(n) + " says something about the topic at some length.\r\n";
    while (text.size() < target)
        text += line;
    return text;
}

// Lists every message in this (fresh) process and prints the time taken.
int ListOnly(const char* path) {
    auto start = Clock::now();
    dbx::MessageFile file = dbx::MessageFile::Open(path);
    dbx::MessageCursor cursor = file.Messages();
    dbx::MessageInfo info;
    uint64_t count = 0, bytes = 0;
    while (cursor.Next(info)) {
        ++count;
        bytes += info.subject.size() + info.display_from.size() + info.size;
    }
    std::printf("%.4f %llu %llu\n", Seconds(start), static_cast<unsigned long long>(count),
                static_cast<unsigned long long>(bytes));
    return 0;
}

struct ChildResult {
    double seconds = 0;
    long max_rss_kb = 0;
    std::string output;
};

// Runs a command in a child process; wall time and the child's peak resident memory.
ChildResult RunChild(const std::vector<std::string>& argv) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        std::abort();
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(pipe_fds[0]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    result.seconds = Seconds(start);
    result.max_rss_kb = usage.ru_maxrss;
    return result;
}

std::filesystem::path MakeMailbox(const std::filesystem::path& path, uint32_t messages) {
    if (std::filesystem::exists(path)) {
        if (dbx::MessageFile::Open(path).count() == messages)
            return path;
        std::filesystem::remove(path);
    }
    auto start = Clock::now();
    dbx::MailboxWriter writer(path, {20, "Bench", 3, "LocalStore", 0});
    for (uint32_t n = 0; n < messages; ++n) {
        writer.Add(MessageText(n),
                   dbx::NewMessageOptions{n % 4 ? dbx::msgflag::kRead : 0u, 0x01D0000000000000ull});
    }
    writer.Finish();
    std::printf("wrote %s: %u messages, %.1f MB in %.2f s\n", path.c_str(), messages,
                std::filesystem::file_size(path) / 1e6, Seconds(start));
    return path;
}

void BenchAppend(const std::filesystem::path& path, const char* label) {
    ::sync();  // start from a quiet disk: no writeback of earlier steps in the timings
    dbx::OpenOptions writable;
    writable.writable = true;
    dbx::MessageFile file = dbx::MessageFile::Open(path, writable);
    uint32_t before = file.count();
    std::vector<double> times;
    for (uint32_t n = 0; n < 200; ++n) {
        std::string text = MessageText(1000000 + n);
        auto start = Clock::now();
        file.Append(text);
        times.push_back(Seconds(start) * 1000);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "append to %s (%u messages): median %.3f ms, 90th %.3f ms, max %.3f ms (each with its "
        "fsyncs)\n",
        label, before, times[times.size() / 2], times[times.size() * 9 / 10], times.back());
}

void BenchExtract(dbx::MessageFile& file, const std::filesystem::path& out) {
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    ::sync();
    auto start = Clock::now();
    dbx::MessageCursor cursor = file.Messages();
    dbx::MessageInfo info;
    uint64_t bytes = 0, count = 0;
    std::vector<char> buffer(1 << 16);
    while (cursor.Next(info)) {
        char name[32];
        std::snprintf(name, sizeof name, "%08u.eml", info.id);
        int fd = open((out / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dbx::StreamReader text = file.OpenText(info);
        while (size_t n = text.Read(buffer.data(), buffer.size())) {
            if (write(fd, buffer.data(), n) != static_cast<ssize_t>(n))
                std::abort();
            bytes += n;
        }
        close(fd);
        ++count;
    }
    double seconds = Seconds(start);
    std::printf("extract to .eml files in %s: %llu messages, %.1f MB in %.2f s = %.0f MB/s\n",
                out.c_str(), static_cast<unsigned long long>(count), bytes / 1e6, seconds,
                bytes / 1e6 / seconds);
    std::filesystem::remove_all(out);
}

void BenchRead(dbx::MessageFile& file) {
    auto start = Clock::now();
    dbx::MessageCursor cursor = file.Messages();
    dbx::MessageInfo info;
    uint64_t bytes = 0;
    while (cursor.Next(info))
        bytes += file.ReadText(info).size();
    double seconds = Seconds(start);
    std::printf("read every message text (no files written): %.1f MB in %.2f s = %.0f MB/s\n",
                bytes / 1e6, seconds, bytes / 1e6 / seconds);
}

// How fast this file system creates small files at all, for comparison with the extraction.
void BenchCreateFiles(const std::filesystem::path& out, uint32_t count) {
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    ::sync();
    std::string data(3000, 'x');
    auto start = Clock::now();
    for (uint32_t n = 0; n < count; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%08u.eml", n);
        int fd = open((out / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
            std::abort();
        close(fd);
    }
    std::printf("  (creating %u files of 3 KB there without any reading takes %.2f s)\n", count,
                Seconds(start));
    std::filesystem::remove_all(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--list-only")
        return ListOnly(argv[2]);
    std::filesystem::path dir =
        argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "dbx-bench";
    uint32_t messages = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 100000;
    std::filesystem::create_directories(dir);
    std::filesystem::path big = MakeMailbox(dir / "Big.dbx", messages);
    std::filesystem::path small = MakeMailbox(dir / "Small.dbx", 1000);
    std::string self = std::filesystem::canonical("/proc/self/exe").string();

    // Listing, in a fresh process each time (the file is in the page cache after the first).
    ChildResult best;
    for (int run = 0; run < 3; ++run) {
        ChildResult r = RunChild({self, "--list-only", big.string()});
        if (run == 0 || r.seconds < best.seconds)
            best = r;
    }
    double inside = std::atof(best.output.c_str());
    std::printf(
        "list %u messages: %.3f s in the process (%.3f s with process start), peak memory %.1f "
        "MB\n",
        messages, inside, best.seconds, best.max_rss_kb / 1024.0);

    if (std::system("command -v undbx > /dev/null 2>&1") == 0) {
        std::filesystem::path out = dir / "undbx-out";
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        ::sync();
        ChildResult undbx = RunChild({"undbx", "-v", "0", big.string(), out.string()});
        std::printf(
            "undbx extracting the same file: %.2f s, peak memory %.1f MB; listing is %.0fx "
            "faster\n",
            undbx.seconds, undbx.max_rss_kb / 1024.0, undbx.seconds / best.seconds);
        std::filesystem::remove_all(out);
    }

    {
        dbx::MessageFile file = dbx::MessageFile::Open(big);
        BenchRead(file);
        BenchExtract(file, dir / "eml-out");
        BenchCreateFiles(dir / "eml-out", messages);
        if (std::filesystem::is_directory("/dev/shm")) {
            BenchExtract(file, "/dev/shm/dbx-bench-eml");
            BenchCreateFiles("/dev/shm/dbx-bench-eml", messages);
        }
    }
    // Appends change the files; the next run writes them again.
    BenchAppend(big, "the large file");
    BenchAppend(small, "a small file");
    return 0;
}
