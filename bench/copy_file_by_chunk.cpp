// Copies a 300 MiB file with CopyFileByChunk (counting its progress calls) and with a plain
// whole-file copy, alternately, and prints the best time of each and their ratio.
// Usage: bench_copy_file_by_chunk [FOLDER] (default: the temporary folder).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "RecordingDesktop.h"
#include "import_app/modMain.h"

namespace {

double SecondsOf(auto&& action) {
    auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    fs::path source = folder / "bench-copy-source.dbx";
    fs::path chunked = folder / "bench-copy-chunked.dbx";
    fs::path plain = folder / "bench-copy-plain.dbx";
    constexpr std::size_t kSize = 300u << 20;

    {
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 2654435761u >> 24);
        std::ofstream out(source, std::ios::binary);
        for (std::size_t written = 0; written < kSize; written += block.size()) {
            block[0] = static_cast<char>(written >> 20);
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }

    double bestChunked = 1e9;
    double bestPlain = 1e9;
    RecordingDesktop desktop;
    for (int round = 0; round < 3; ++round) {
        desktop = RecordingDesktop();
        std::int32_t result = 0;
        bestChunked = std::min(bestChunked, SecondsOf([&] {
                                   result = modMain::CopyFileByChunk(
                                       QString::fromStdString(source.string()),
                                       QString::fromStdString(chunked.string()), 0, desktop);
                               }));
        if (result != static_cast<std::int32_t>(kSize)) {
            std::fprintf(
                stderr, "CopyFileByChunk returned %d: %s\n", result,
                desktop.messages.empty() ? "" : desktop.messages[0].prompt.toUtf8().constData());
            return 1;
        }
        bestPlain = std::min(bestPlain, SecondsOf([&] {
                                 fs::copy_file(source, plain, fs::copy_options::overwrite_existing);
                             }));
    }
    std::printf("file size            %zu bytes\n", kSize);
    std::printf("CopyFileByChunk      %.3f s (%lld progress captions, %d yields)\n", bestChunked,
                static_cast<long long>(desktop.captions.size()), desktop.yields);
    std::printf("plain whole-file copy %.3f s\n", bestPlain);
    std::printf("ratio                %.2f (goal: at most 1.50)\n", bestChunked / bestPlain);
    fs::remove(source);
    fs::remove(chunked);
    fs::remove(plain);
    return 0;
}
