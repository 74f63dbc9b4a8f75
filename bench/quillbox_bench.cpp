// Quillbox through automation, with the built control, store and address book in a fresh prefix:
// selecting a folder of 100 000 messages (time and memory, in a process of its own), Save2eml of a
// 50 MB message against `dbxtool cat` of the same message, the attachments of a message with 20
// attachments of 1 MB each (count, then extract them all), and making the control over an
// address book of 10 000 contacts (which reads them all).
// Usage: quillbox_bench [WORK_DIR [MESSAGES [CONTACTS]]]; WORK_DIR (default /dev/shm, else /tmp)
// receives the prefix and the output files, and is best on tmpfs.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <olectl/headless_site.h>
#include <winpal/dispatch.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "control_bench_support.h"
#include "dbx/message_file.h"

namespace {

using bench::Call;
using bench::Clock;
using bench::Object;
using bench::Seconds;
using bench::WithControl;
using winpal::Variant;
namespace fs = std::filesystem;

// A figure of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    }
    return 0;
}

// The folders collection position of the folder `name`; -1 when there is none.
LONG FolderPosition(IDispatch* control, const std::string& name) {
    winpal::ComPtr<IDispatch> folders = Object(Call(control, u"Folders"));
    const LONG count = Call(folders.Get(), u"Count").Ptr()->iVal;
    for (LONG i = 0; i < count; ++i) {
        Variant found =
            Call(folders.Get(), u"FindFolderName", {Variant::I2(static_cast<SHORT>(i))});
        if (winpal::WideToAnsi(winpal::BstrView(found.Ptr()->bstrVal)) == name)
            return i;
    }
    return -1;
}

void SelectFolder(IDispatch* control, LONG position) {
    bench::Put(control, u"Folder", Variant::I2(static_cast<SHORT>(position)));
}

// Makes a folder through the control and writes its mailbox file anew with `fill`, as an import
// does: a new file beside it, renamed over the store's empty mailbox.
void MakeFolder(const fs::path& prefix, const std::string& name,
                const std::function<void(dbx::MailboxWriter&)>& fill) {
    WithControl([&](IDispatch* control) {
        winpal::ComPtr<IDispatch> folders = Object(Call(control, u"Folders"));
        Call(folders.Get(), u"CreateFolder", {Variant::Utf8(name), Variant::I4(0)});
    });
    for (const auto& entry : fs::recursive_directory_iterator(prefix)) {
        if (entry.path().filename() != name + ".dbx")
            continue;
        const fs::path fresh = entry.path().string() + ".new";
        dbx::MailboxWriter writer(fresh, {});
        fill(writer);
        writer.Finish();
        fs::rename(fresh, entry.path());
        return;
    }
    std::fprintf(stderr, "the mailbox of %s was not made\n", name.c_str());
    std::exit(1);
}

std::string ListMessage(uint32_t n) {
    std::string text = "From: \"Person " + std::to_string(n % 1000) + "\" <p" +
                       std::to_string(n % 1000) +
                       "@example.org>\r\nTo: reader@example.net\r\nSubject: thread " +
                       std::to_string(n / 7) + "\r\nDate: Tue, 6 Jul 2004 09:10:00 +0200\r\n\r\n";
    while (text.size() < 1500 + (n * 7919) % 3000)
        text += "Message " + std::to_string(n) + " says something at some length.\r\n";
    return text;
}

std::string Base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            v |= static_cast<uint8_t>(bytes[i + 2]);
        out += digits[v >> 18 & 63];
        out += digits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[v & 63] : '=';
        if (out.size() % 78 == 76)
            out += "\r\n";
    }
    return out;
}

std::string AttachmentsMessage(int count, size_t each) {
    std::string text =
        "From: a@example.org\r\nTo: b@example.org\r\nSubject: Twenty files\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nThe files.\r\n";
    std::string bytes(each, '\0');
    for (size_t i = 0; i < each; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    for (int i = 0; i < count; ++i) {
        text +=
            "--b\r\nContent-Type: application/octet-stream\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"file" +
            std::to_string(i) + ".bin\"\r\n\r\n" + Base64(bytes) + "\r\n";
    }
    return text + "--b--\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path work = bench::WorkDir(argc, argv);
    const uint32_t messages = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 100000;
    const int contacts = argc > 3 ? std::atoi(argv[3]) : 10000;
    const fs::path root = work / "messages-bench";
    const fs::path prefix = bench::RegisteredPrefix(root);
    const fs::path bin = bench::ProgramFolder();

    auto start = Clock::now();
    MakeFolder(prefix, "Large", [&](dbx::MailboxWriter& writer) {
        for (uint32_t n = 0; n < messages; ++n)
            writer.Add(ListMessage(n));
    });
    MakeFolder(prefix, "Big", [&](dbx::MailboxWriter& writer) {
        std::string text = "From: a@example.org\r\nSubject: Big\r\n\r\n";
        for (size_t i = 0; text.size() < (50u << 20); ++i)
            text += "Line " + std::to_string(i) + " of a long message body, to fill fifty MB.\r\n";
        writer.Add(text);
    });
    MakeFolder(prefix, "Files",
               [&](dbx::MailboxWriter& writer) { writer.Add(AttachmentsMessage(20, 1u << 20)); });
    std::printf("set-up: %.1f s\n", Seconds(start));

    // Selecting the large folder, in a process of its own so that its memory figures are its own.
    std::fflush(stdout);
    if (fork() == 0) {
        WithControl([&](IDispatch* control) {
            const LONG position = FolderPosition(control, "Large");
            const double before = StatusMegabytes("VmRSS");
            auto select = Clock::now();
            SelectFolder(control, position);
            const double seconds = Seconds(select);
            winpal::ComPtr<IDispatch> list = Object(Call(control, u"Messages"));
            // Count is a 16-bit value: 100 000 messages read as -31072.
            std::printf(
                "select a folder of %u messages (Count %d): %.3f s; resident %.0f MB "
                "before, %.0f MB after, peak %.0f MB\n",
                messages, Call(list.Get(), u"Count").Ptr()->iVal, seconds, before,
                StatusMegabytes("VmRSS"), StatusMegabytes("VmHWM"));
        });
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    wait(&status);

    WithControl([&](IDispatch* control) {
        SelectFolder(control, FolderPosition(control, "Big"));
        winpal::ComPtr<IDispatch> list = Object(Call(control, u"Messages"));
        const fs::path out = root / "big.eml";
        auto save = Clock::now();
        Call(list.Get(), u"Save2eml", {Variant::I4(0), Variant::Utf8(out.string())});
        const double seconds = Seconds(save);
        const double megabytes = static_cast<double>(fs::file_size(out)) / (1 << 20);
        std::printf("Save2eml of a %.0f MB message: %.3f s, %.0f MB/s\n", megabytes, seconds,
                    megabytes / seconds);
        const LONG id = Call(list.Get(), u"FindMessageID", {Variant::I4(0)}).Ptr()->lVal;
        for (const auto& entry : fs::recursive_directory_iterator(prefix)) {
            if (entry.path().filename() != "Big.dbx")
                continue;
            const std::string command = "'" + (bin / "dbxtool").string() + "' cat '" +
                                        entry.path().string() + "' " + std::to_string(id) + " > '" +
                                        (root / "cat.eml").string() + "'";
            auto cat = Clock::now();
            if (std::system(command.c_str()) == 0) {
                const double catSeconds = Seconds(cat);
                std::printf("dbxtool cat of the same message: %.3f s, %.0f MB/s\n", catSeconds,
                            megabytes / catSeconds);
            }
        }

        SelectFolder(control, FolderPosition(control, "Files"));
        const fs::path folder = root / "files";
        fs::create_directories(folder);
        auto extract = Clock::now();
        const SHORT count = Call(list.Get(), u"GetAttachmentCount", {Variant::I4(0)}).Ptr()->iVal;
        Call(list.Get(), u"ExtractAttachment",
             {Variant::I4(0), Variant::Utf8(folder.string() + "/")});
        const double seconds2 = Seconds(extract);
        std::printf("GetAttachmentCount (%d) and ExtractAttachment of 20 x 1 MB: %.3f s\n", count,
                    seconds2);
    });
    const fs::path cards = root / "contacts.vcf";
    {
        std::ofstream out(cards, std::ios::binary);
        for (int i = 0; i < contacts; ++i) {
            const std::string n = std::to_string(i);
            out << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Contact " << n << "\r\nEMAIL:c" << n
                << "@example.org\r\nTEL;TYPE=WORK,VOICE:+49 30 " << n
                << "\r\nTEL;TYPE=CELL:+49 170 " << n << "\r\nORG:ACME;Research\r\nEND:VCARD\r\n";
        }
    }
    const std::string import =
        "'" + (bin / "wabtool").string() + "' import '" + cards.string() + "' > /dev/null";
    if (std::system(import.c_str()) != 0) {
        std::fprintf(stderr, "wabtool import failed\n");
        return 1;
    }
    auto open = Clock::now();
    WithControl([&](IDispatch* control) {
        const double seconds = Seconds(open);
        winpal::ComPtr<IDispatch> people = Object(Call(control, u"Contacts"));
        std::printf("make the control and read %d contacts: %.3f s\n",
                    Call(people.Get(), u"Count").Ptr()->lVal, seconds);
    });

    if (!std::getenv("QUILLBOX_BENCH_KEEP"))
        fs::remove_all(root);
    return 0;
}
