// wabtool: the address book from the command line. It opens the address book the way every
// client does (WABOpen) and works through the address-book interfaces.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "program_version.h"
#include "wabtool_commands.h"

namespace {

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: wabtool [--file FILE] COMMAND [ARGUMENTS]\n"
        "       wabtool --help | --version\n"
        "\n"
        "Lists, shows, adds, deletes, imports and exports the contacts of the address book of\n"
        "the prefix (WINPAL_PREFIX), or of the address-book file FILE.\n"
        "\n"
        "Commands:\n"
        "  list                 one line per entry: name, a tab, its e-mail address\n"
        "  show NAME            every field of the contacts named exactly NAME\n"
        "  add --name NAME [FIELD OPTIONS]\n"
        "                       stores a new contact\n"
        "  delete NAME          deletes every entry named exactly NAME\n"
        "  import FILE.vcf      adds the cards of a vCard file (versions 2.1, 3.0 and 4.0);\n"
        "                       a card that breaks the format is reported with its line and\n"
        "                       skipped, the others are imported\n"
        "  export FILE.vcf      writes every contact as a vCard 3.0 (UTF-8)\n"
        "\n"
        "Field options of add:\n",
        out);
    for (const wabtool::FieldOption& field : wabtool::FieldOptions())
        std::fprintf(out, "  %-22s %s\n", (std::string(field.option) + " TEXT").c_str(),
                     field.label);
    std::fputs(
        "\n"
        "Exit status: 0 done; 1 a contact was not found, a card was skipped, or the address\n"
        "book or a file could not be read or written; 2 wrong arguments.\n",
        out);
}

int Usage(const char* message) {
    std::fprintf(stderr, "wabtool: %s\n\n", message);
    PrintUsage(stderr);
    return wabtool::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::puts(program_version::kLine);
        return wabtool::kExitOk;
    }
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return wabtool::kExitOk;
        }
    }
    std::string file;
    std::size_t next = 0;
    if (next < args.size() && args[next] == "--file") {
        if (next + 1 >= args.size())
            return Usage("--file needs a file name");
        file = args[next + 1];
        next += 2;
    }
    if (next >= args.size())
        return Usage("give a command");
    const std::string command = args[next++];
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(next),
                                        args.end());

    vcard::Contact contact;
    if (command == "list") {
        if (!rest.empty())
            return Usage("list takes no arguments");
    } else if (command == "show" || command == "delete" || command == "import" ||
               command == "export") {
        if (rest.size() != 1)
            return Usage((command + " takes one argument").c_str());
    } else if (command == "add") {
        for (std::size_t i = 0; i < rest.size(); i += 2) {
            const wabtool::FieldOption* option = nullptr;
            for (const wabtool::FieldOption& candidate : wabtool::FieldOptions()) {
                if (rest[i] == candidate.option)
                    option = &candidate;
            }
            if (!option)
                return Usage(("unknown option " + rest[i]).c_str());
            if (i + 1 >= rest.size())
                return Usage((rest[i] + " needs a value").c_str());
            contact.push_back({option->tag, rest[i + 1]});
            if (option->tag == PR_EMAIL_ADDRESS_W)
                contact.push_back({PR_ADDRTYPE_W, std::string("SMTP")});
        }
        if (vcard::FieldText(contact, PR_DISPLAY_NAME_W).empty())
            return Usage("add needs --name");
    } else {
        return Usage(("unknown command " + command).c_str());
    }

    wabtool::Book book;
    if (HRESULT hr = book.Open(file); FAILED(hr)) {
        std::fprintf(stderr, "wabtool: the address book cannot be opened: %s\n",
                     wabtool::ResultText(hr).c_str());
        return wabtool::kExitFailed;
    }
    if (command == "list")
        return wabtool::ListCommand(book);
    if (command == "show")
        return wabtool::ShowCommand(book, rest[0]);
    if (command == "delete")
        return wabtool::DeleteCommand(book, rest[0]);
    if (command == "import")
        return wabtool::ImportCommand(book, rest[0]);
    if (command == "export")
        return wabtool::ExportCommand(book, rest[0]);
    return wabtool::AddCommand(book, contact);
}
