#include "wabtool_commands.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace wabtool {
namespace {

// The labels `show` uses for the fields that have no `add` option.
constexpr FieldOption kMoreFields[] = {
    {nullptr, PR_GIVEN_NAME_W, "First name"},
    {nullptr, PR_MIDDLE_NAME_W, "Middle name"},
    {nullptr, PR_SURNAME_W, "Last name"},
    {nullptr, PR_NICKNAME_W, "Nickname"},
    {nullptr, PR_PRIMARY_TELEPHONE_NUMBER_W, "Primary phone"},
    {nullptr, PR_OTHER_TELEPHONE_NUMBER_W, "Other phone"},
    {nullptr, PR_PROFESSION_W, "Profession"},
    {nullptr, PR_COMMENT_W, "Notes"},
    {nullptr, PR_HOME_ADDRESS_STREET_W, "Home street"},
    {nullptr, PR_HOME_ADDRESS_CITY_W, "Home city"},
    {nullptr, PR_HOME_ADDRESS_POSTAL_CODE_W, "Home postal code"},
    {nullptr, PR_HOME_ADDRESS_COUNTRY_W, "Home country"},
    {nullptr, PR_STREET_ADDRESS_W, "Business street"},
    {nullptr, PR_LOCALITY_W, "Business city"},
    {nullptr, PR_POSTAL_CODE_W, "Business postal code"},
    {nullptr, PR_COUNTRY_W, "Business country"},
};

// The entries named exactly `name`; reports when there is none.
std::vector<Listed> Named(Book& book, const std::string& name, int* status) {
    std::vector<Listed> entries;
    std::vector<Listed> named;
    if (HRESULT hr = book.List(&entries); FAILED(hr)) {
        std::fprintf(stderr, "wabtool: the address book cannot be read: %s\n",
                     ResultText(hr).c_str());
        *status = kExitFailed;
        return named;
    }
    for (Listed& entry : entries) {
        if (entry.name == name)
            named.push_back(std::move(entry));
    }
    *status = kExitOk;
    if (named.empty()) {
        std::fprintf(stderr, "wabtool: no contact is named \"%s\"\n", name.c_str());
        *status = kExitFailed;
    }
    return named;
}

bool ReadWholeFile(const std::string& file, std::string* text) {
    std::ifstream in(std::filesystem::path(file), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *text = buffer.str();
    return !in.bad();
}

}  // namespace

const std::vector<FieldOption>& FieldOptions() {
    static const std::vector<FieldOption> options = {
        {"--name", PR_DISPLAY_NAME_W, "Name"},
        {"--email", PR_EMAIL_ADDRESS_W, "E-mail"},
        {"--business-phone", PR_BUSINESS_TELEPHONE_NUMBER_W, "Business phone"},
        {"--home-phone", PR_HOME_TELEPHONE_NUMBER_W, "Home phone"},
        {"--home-fax", PR_HOME_FAX_NUMBER_W, "Home fax"},
        {"--business-fax", PR_BUSINESS_FAX_NUMBER_W, "Business fax"},
        {"--pager", PR_PAGER_TELEPHONE_NUMBER_W, "Pager"},
        {"--mobile", PR_CELLULAR_TELEPHONE_NUMBER_W, "Mobile"},
        {"--personal-web-page", PR_PERSONAL_HOME_PAGE_W, "Personal web page"},
        {"--job-title", PR_TITLE_W, "Job title"},
        {"--department", PR_DEPARTMENT_NAME_W, "Department"},
        {"--office", PR_OFFICE_LOCATION_W, "Office"},
        {"--company", PR_COMPANY_NAME_W, "Company"},
        {"--business-web-page", PR_BUSINESS_HOME_PAGE_W, "Business web page"},
    };
    return options;
}

int ListCommand(Book& book) {
    std::vector<Listed> entries;
    if (HRESULT hr = book.List(&entries); FAILED(hr)) {
        std::fprintf(stderr, "wabtool: the address book cannot be read: %s\n",
                     ResultText(hr).c_str());
        return kExitFailed;
    }
    for (const Listed& entry : entries) {
        const std::string detail =
            entry.objectType == MAPI_DISTLIST ? "(distribution list)" : entry.email;
        std::printf("%s\t%s\n", entry.name.c_str(), detail.c_str());
    }
    return kExitOk;
}

int ShowCommand(Book& book, const std::string& name) {
    int status = kExitOk;
    std::vector<Listed> named = Named(book, name, &status);
    for (std::size_t i = 0; i < named.size(); ++i) {
        vcard::Contact contact;
        if (HRESULT hr = book.Read(named[i].entryId, &contact); FAILED(hr)) {
            std::fprintf(stderr, "wabtool: \"%s\" cannot be read: %s\n", name.c_str(),
                         ResultText(hr).c_str());
            return kExitFailed;
        }
        if (i > 0)
            std::printf("\n");
        auto print = [&contact](const FieldOption& field) {
            const std::string value = vcard::FieldText(contact, field.tag);
            if (!value.empty())
                std::printf("%s: %s\n", field.label, value.c_str());
        };
        for (const FieldOption& field : FieldOptions())
            print(field);
        for (const FieldOption& field : kMoreFields)
            print(field);
    }
    return status;
}

int AddCommand(Book& book, const vcard::Contact& contact) {
    if (HRESULT hr = book.Add(contact); FAILED(hr)) {
        std::fprintf(stderr, "wabtool: the contact cannot be stored: %s\n", ResultText(hr).c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int DeleteCommand(Book& book, const std::string& name) {
    int status = kExitOk;
    std::vector<Listed> named = Named(book, name, &status);
    if (named.empty())
        return status;
    std::vector<std::string> ids;
    for (const Listed& entry : named)
        ids.push_back(entry.entryId);
    if (HRESULT hr = book.Delete(ids); FAILED(hr)) {
        std::fprintf(stderr, "wabtool: \"%s\" cannot be deleted: %s\n", name.c_str(),
                     ResultText(hr).c_str());
        return kExitFailed;
    }
    std::printf("deleted %zu %s named \"%s\"\n", ids.size(), ids.size() == 1 ? "entry" : "entries",
                name.c_str());
    return kExitOk;
}

int ImportCommand(Book& book, const std::string& file) {
    std::string text;
    if (!ReadWholeFile(file, &text)) {
        std::fprintf(stderr, "wabtool: %s cannot be read\n", file.c_str());
        return kExitFailed;
    }
    const vcard::ReadResult read = vcard::Read(text);
    for (const vcard::Problem& problem : read.problems)
        std::fprintf(stderr, "%s:%d: %s; skipped\n", file.c_str(), problem.line,
                     problem.message.c_str());
    std::size_t imported = 0;
    int status = read.problems.empty() ? kExitOk : kExitFailed;
    for (const vcard::Card& card : read.cards) {
        if (HRESULT hr = book.Add(vcard::ContactFromCard(card)); FAILED(hr)) {
            std::fprintf(stderr, "%s:%d: the card cannot be stored: %s\n", file.c_str(), card.line,
                         ResultText(hr).c_str());
            status = kExitFailed;
            continue;
        }
        ++imported;
    }
    std::printf("imported %zu of %zu cards from %s\n", imported,
                read.cards.size() + read.problems.size(), file.c_str());
    return status;
}

int ExportCommand(Book& book, const std::string& file) {
    std::vector<Listed> entries;
    if (HRESULT hr = book.List(&entries); FAILED(hr)) {
        std::fprintf(stderr, "wabtool: the address book cannot be read: %s\n",
                     ResultText(hr).c_str());
        return kExitFailed;
    }
    std::string text;
    std::size_t count = 0;
    for (const Listed& entry : entries) {
        if (entry.objectType != MAPI_MAILUSER)
            continue;
        vcard::Contact contact;
        if (HRESULT hr = book.Read(entry.entryId, &contact); FAILED(hr)) {
            std::fprintf(stderr, "wabtool: \"%s\" cannot be read: %s\n", entry.name.c_str(),
                         ResultText(hr).c_str());
            return kExitFailed;
        }
        text += vcard::CardFromContact(contact);
        ++count;
    }
    std::ofstream out(std::filesystem::path(file), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "wabtool: %s cannot be written\n", file.c_str());
        return kExitFailed;
    }
    std::printf("exported %zu contacts to %s\n", count, file.c_str());
    return kExitOk;
}

}  // namespace wabtool
