// Speed of the MIME layer on a message with 20 base64 attachments of 1 MB each (20 MB): parse,
// list and bind the attachments, and save every one into a folder. The numbers are the best of
// a few rounds; the saved files are checked against the original bytes once.
// Usage: mime_attachments_bench [FOLDER] (default /dev/shm, else the temporary folder).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <glib.h>
#include <mimeole/mimeole.h>
#include <winpal/winpal.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kAttachments = 20;
constexpr size_t kAttachmentSize = size_t{1} << 20;
constexpr int kRounds = 5;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Base64Lines(const std::string& bytes) {
    gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    const std::string flat(encoded);
    g_free(encoded);
    std::string lines;
    for (size_t at = 0; at < flat.size(); at += 76)
        lines += flat.substr(at, 76) + "\r\n";
    return lines;
}

std::string Message(std::vector<std::string>* files) {
    std::mt19937 random(7);
    std::string text =
        "From: a@example.com\r\nSubject: twenty files\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"----=_NextPart_000\"\r\n\r\n"
        "------=_NextPart_000\r\nContent-Type: text/plain\r\n\r\nThe files.\r\n";
    for (int i = 0; i < kAttachments; ++i) {
        std::string bytes(kAttachmentSize, '\0');
        std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
        const std::string name = "file" + std::to_string(i) + ".bin";
        text += "------=_NextPart_000\r\nContent-Type: application/octet-stream; name=\"" + name +
                "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
                "filename=\"" +
                name + "\"\r\n\r\n" + Base64Lines(bytes);
        files->push_back(std::move(bytes));
    }
    return text + "------=_NextPart_000--\r\n";
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path base = argc > 1 ? argv[1] : "/dev/shm";
    if (!std::filesystem::is_directory(base))
        base = std::filesystem::temp_directory_path();
    const std::filesystem::path folder = base / "mime_attachments_bench";
    std::filesystem::create_directories(folder);
    const std::string folderText = winpal::AnsiFromPath(folder) + "/";

    std::vector<std::string> files;
    const std::string text = Message(&files);
    double best[4] = {1e9, 1e9, 1e9, 1e9};
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        winpal::ComPtr<IMimeMessage> message;
        if (FAILED(MimeOleCreateMessageFromText(text, message.Put())))
            return 1;
        const double parsed = Seconds(start);

        ULONG count = 0;
        HBODY* handles = nullptr;
        message->GetAttachments(&count, &handles);
        std::vector<winpal::ComPtr<IMimeBody>> bodies;
        for (ULONG i = 0; i < count; ++i) {
            winpal::ComPtr<IMimeBody> body;
            if (message->IsBodyType(handles[i], IBT_ATTACHMENT) == S_OK &&
                SUCCEEDED(message->BindToObject(handles[i], IID_IMimeBody, body.PutVoid()))) {
                bodies.push_back(body);
            }
        }
        CoTaskMemFree(handles);
        const double listed = Seconds(start) - parsed;

        for (const auto& body : bodies) {
            LPSTR name = nullptr;
            body->GetDisplayName(&name);
            const std::string path = folderText + name;
            CoTaskMemFree(name);
            if (FAILED(body->SaveToFile(IET_BINARY, path.c_str())))
                return 1;
        }
        const double total = Seconds(start);
        const double times[4] = {parsed, listed, total - parsed - listed, total};
        for (int i = 0; i < 4; ++i)
            best[i] = std::min(best[i], times[i]);
        if (bodies.size() != files.size())
            return 1;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (ReadAll(folder / ("file" + std::to_string(i) + ".bin")) != files[i]) {
            std::fprintf(stderr, "file%zu.bin differs from the attachment\n", i);
            return 1;
        }
    }
    std::filesystem::remove_all(folder);
    std::printf("%d attachments, %.1f MB decoded, %.1f MB message, into %s\n", kAttachments,
                kAttachments * kAttachmentSize / 1048576.0, text.size() / 1048576.0, base.c_str());
    std::printf("parse %.3f s, list and bind %.3f s, save %.3f s, total %.3f s (best of %d)\n",
                best[0], best[1], best[2], best[3], kRounds);
    return 0;
}
