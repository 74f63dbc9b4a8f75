// The address book on 10,000 contacts: how long `wabtool import` takes for a file of 10,000
// vCards, and how long opening the address book and reading it the way the control does takes
// (the contents table with three columns read one row at a time, each mail user opened and all
// its properties read). Usage: wab_bench [CONTACTS]; the goals are under 2 s and under 1 s.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/times.h>
#include <unistd.h>

#include <wab/wabapi.h>
#include <winpal/class_registration.h>
#include <winpal/winpal.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of this process and its finished children, so that a busy machine can be told
// from slow code.
double CpuSeconds() {
    tms times{};
    ::times(&times);
    return static_cast<double>(times.tms_utime + times.tms_stime + times.tms_cutime +
                               times.tms_cstime) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string Cards(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Contact " + n +
                " M\xC3\xBCller\r\nN:M\xC3\xBCller;Contact " + n +
                ";;;\r\nEMAIL;TYPE=INTERNET,PREF:contact" + n + "@example.org\r\n" +
                "TEL;TYPE=WORK,VOICE:+49 30 " + n + "\r\nTEL;TYPE=HOME,VOICE:+49 40 " + n +
                "\r\nTEL;TYPE=CELL:+49 170 " + n + "\r\nTEL;TYPE=WORK,FAX:+49 30 9" + n +
                "\r\nTEL;TYPE=HOME,FAX:+49 40 9" + n + "\r\nTEL;TYPE=PAGER:+49 1 " + n +
                "\r\nURL;TYPE=HOME:http://home.example/" + n +
                "\r\nURL;TYPE=WORK:http://work.example/" + n +
                "\r\nTITLE:Engineer\r\nORG:ACME;Research;Room " + n + "\r\nEND:VCARD\r\n";
    }
    return text;
}

// The control's reading: every mail user's entry id copied into address-book memory, the mail
// user opened and all its properties fetched. Returns the number of mail users read.
int ReadLikeTheControl(IAddrBook* book, IWABObject* wab) {
    ULONG cb = 0;
    LPENTRYID pab = nullptr;
    book->GetPAB(&cb, &pab);
    IABContainer* container = nullptr;
    ULONG type = 0;
    book->OpenEntry(cb, pab, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(&container));
    wab->FreeBuffer(pab);
    IMAPITable* table = nullptr;
    container->GetContentsTable(0, &table);
    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};
    table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    int read = 0;
    LPSPropValue last = nullptr;
    for (;;) {
        LPSRowSet rows = nullptr;
        if (FAILED(table->QueryRows(1, 0, &rows)) || !rows)
            break;
        if (rows->cRows == 0) {
            wab->FreeBuffer(rows);
            break;
        }
        const SPropValue* props = rows->aRow[0].lpProps;
        if (props[2].Value.l == static_cast<LONG>(MAPI_MAILUSER)) {
            LPVOID copy = nullptr;
            LPVOID bytes = nullptr;
            wab->AllocateBuffer(sizeof(SBinary), &copy);
            wab->AllocateMore(props[1].Value.bin.cb, copy, &bytes);
            std::memcpy(bytes, props[1].Value.bin.lpb, props[1].Value.bin.cb);
            IMailUser* user = nullptr;
            if (SUCCEEDED(book->OpenEntry(props[1].Value.bin.cb, static_cast<LPENTRYID>(bytes),
                                          nullptr, 0, &type,
                                          reinterpret_cast<LPUNKNOWN*>(&user)))) {
                wab->FreeBuffer(last);
                ULONG count = 0;
                user->GetProps(nullptr, 0, &count, &last);
                user->Release();
                ++read;
            }
            wab->FreeBuffer(copy);
        }
        wab->FreeBuffer(rows->aRow[0].lpProps);
        wab->FreeBuffer(rows);
    }
    wab->FreeBuffer(last);
    table->Release();
    container->Release();
    return read;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const auto dir =
        std::filesystem::temp_directory_path() / ("wab_bench." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("WINPAL_PREFIX", dir.c_str(), 1);
    const auto cards = dir / "cards.vcf";
    const auto file = dir / "book.sqlite";
    std::ofstream(cards, std::ios::binary) << Cards(count);

    const auto tool =
        std::filesystem::path(winpal::ModuleFileName(nullptr)).parent_path() / "wabtool";
    const std::string command = "\"" + tool.string() + "\" --file \"" + file.string() +
                                "\" import \"" + cards.string() + "\" > /dev/null";
    auto start = Clock::now();
    double cpu = CpuSeconds();
    const int status = std::system(command.c_str());
    std::printf("wabtool import of %d vCards: %.3f s (processor %.3f s, exit status %d)\n", count,
                Seconds(start), CpuSeconds() - cpu, status);

    start = Clock::now();
    cpu = CpuSeconds();
    std::string name = winpal::AnsiFromPath(file);
    WAB_PARAM param{};
    param.cbSize = sizeof param;
    param.szFileName = name.data();
    LPADRBOOK book = nullptr;
    LPWABOBJECT wab = nullptr;
    if (FAILED(WABOpen(&book, &wab, &param, 0))) {
        std::fprintf(stderr, "WABOpen failed\n");
        return 1;
    }
    const int read = ReadLikeTheControl(book, wab);
    std::printf("WABOpen and reading %d contacts one row at a time: %.3f s (processor %.3f s)\n",
                read, Seconds(start), CpuSeconds() - cpu);
    book->Release();
    wab->Release();
    std::filesystem::remove_all(dir);
    return 0;
}
