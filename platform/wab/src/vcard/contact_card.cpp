#include "vcard/contact_card.h"

#include <cstdio>
#include <optional>

#include <winpal/kernel.h>

namespace vcard {
namespace {

// The telephone properties, in the order a card lists them, with the types they carry.
struct PhoneSlot {
    ULONG tag;
    const char* types;
};
constexpr PhoneSlot kPhones[] = {
    {PR_PRIMARY_TELEPHONE_NUMBER_W, "PREF,VOICE"},
    {PR_BUSINESS_TELEPHONE_NUMBER_W, "WORK,VOICE"},
    {PR_BUSINESS2_TELEPHONE_NUMBER_W, "WORK,VOICE"},
    {PR_HOME_TELEPHONE_NUMBER_W, "HOME,VOICE"},
    {PR_HOME2_TELEPHONE_NUMBER_W, "HOME,VOICE"},
    {PR_CELLULAR_TELEPHONE_NUMBER_W, "CELL,VOICE"},
    {PR_PAGER_TELEPHONE_NUMBER_W, "PAGER"},
    {PR_CAR_TELEPHONE_NUMBER_W, "CAR,VOICE"},
    {PR_ISDN_NUMBER_W, "ISDN"},
    {PR_BUSINESS_FAX_NUMBER_W, "WORK,FAX"},
    {PR_HOME_FAX_NUMBER_W, "HOME,FAX"},
    {PR_PRIMARY_FAX_NUMBER_W, "FAX"},
    {PR_OTHER_TELEPHONE_NUMBER_W, "VOICE"},
};

// The parts of an address (ADR: post office box, extended, street, locality, region, postal
// code, country) in each of the three address sets.
struct AddressSet {
    const char* types;
    ULONG box, street, city, region, code, country;
};
constexpr AddressSet kHomeAddress = {"HOME",
                                     PR_HOME_ADDRESS_POST_OFFICE_BOX_W,
                                     PR_HOME_ADDRESS_STREET_W,
                                     PR_HOME_ADDRESS_CITY_W,
                                     PR_HOME_ADDRESS_STATE_OR_PROVINCE_W,
                                     PR_HOME_ADDRESS_POSTAL_CODE_W,
                                     PR_HOME_ADDRESS_COUNTRY_W};
constexpr AddressSet kBusinessAddress = {"WORK",        PR_POST_OFFICE_BOX_W,   PR_STREET_ADDRESS_W,
                                         PR_LOCALITY_W, PR_STATE_OR_PROVINCE_W, PR_POSTAL_CODE_W,
                                         PR_COUNTRY_W};
constexpr AddressSet kOtherAddress = {"X-OTHER",
                                      PR_OTHER_ADDRESS_POST_OFFICE_BOX_W,
                                      PR_OTHER_ADDRESS_STREET_W,
                                      PR_OTHER_ADDRESS_CITY_W,
                                      PR_OTHER_ADDRESS_STATE_OR_PROVINCE_W,
                                      PR_OTHER_ADDRESS_POSTAL_CODE_W,
                                      PR_OTHER_ADDRESS_COUNTRY_W};

const ContactField* Find(const Contact& contact, ULONG tag) {
    for (const ContactField& field : contact) {
        if (PROP_ID(field.tag) == PROP_ID(tag))
            return &field;
    }
    return nullptr;
}

class ContactBuilder {
  public:
    bool Has(ULONG tag) const { return !FieldText(contact_, tag).empty() || Find(contact_, tag); }
    void Set(ULONG tag, std::string text) {
        if (text.empty())
            return;
        for (ContactField& field : contact_) {
            if (PROP_ID(field.tag) == PROP_ID(tag)) {
                field.value = std::move(text);
                return;
            }
        }
        contact_.push_back({tag, std::move(text)});
    }
    void SetIfEmpty(ULONG tag, std::string text) {
        if (!Has(tag))
            Set(tag, std::move(text));
    }
    // The first free of the tags (the later ones take second numbers of the same kind).
    void SetFirstFree(std::initializer_list<ULONG> tags, std::string text) {
        for (ULONG tag : tags) {
            if (!Has(tag)) {
                Set(tag, std::move(text));
                return;
            }
        }
    }
    void Add(ContactField field) { contact_.push_back(std::move(field)); }
    Contact& Result() { return contact_; }

  private:
    Contact contact_;
};

void TakePhone(const Property& p, ContactBuilder& b) {
    std::string number = Unescape(p.value);
    if (number.rfind("tel:", 0) == 0)
        number.erase(0, 4);
    if (p.HasType("FAX")) {
        if (p.HasType("HOME")) {
            b.SetIfEmpty(PR_HOME_FAX_NUMBER_W, number);
        } else if (p.HasType("WORK")) {
            b.SetIfEmpty(PR_BUSINESS_FAX_NUMBER_W, number);
        } else {
            b.SetFirstFree({PR_BUSINESS_FAX_NUMBER_W, PR_PRIMARY_FAX_NUMBER_W}, number);
        }
    } else if (p.HasType("PAGER")) {
        b.SetIfEmpty(PR_PAGER_TELEPHONE_NUMBER_W, number);
    } else if (p.HasType("CELL")) {
        b.SetIfEmpty(PR_CELLULAR_TELEPHONE_NUMBER_W, number);
    } else if (p.HasType("CAR")) {
        b.SetIfEmpty(PR_CAR_TELEPHONE_NUMBER_W, number);
    } else if (p.HasType("ISDN")) {
        b.SetIfEmpty(PR_ISDN_NUMBER_W, number);
    } else if (p.HasType("HOME")) {
        b.SetFirstFree({PR_HOME_TELEPHONE_NUMBER_W, PR_HOME2_TELEPHONE_NUMBER_W}, number);
    } else if (p.HasType("WORK")) {
        b.SetFirstFree({PR_BUSINESS_TELEPHONE_NUMBER_W, PR_BUSINESS2_TELEPHONE_NUMBER_W}, number);
    } else if (p.IsPreferred()) {
        b.SetFirstFree({PR_PRIMARY_TELEPHONE_NUMBER_W, PR_OTHER_TELEPHONE_NUMBER_W}, number);
    } else {
        b.SetIfEmpty(PR_OTHER_TELEPHONE_NUMBER_W, number);
    }
}

void TakeAddress(const Property& p, ContactBuilder& b) {
    std::vector<std::string> parts = SplitValue(p.value, ';');
    parts.resize(7);
    const AddressSet* set = &kBusinessAddress;
    if (p.HasType("HOME")) {
        set = &kHomeAddress;
    } else if (p.HasType("X-OTHER") || (!p.HasType("WORK") && b.Has(kBusinessAddress.street))) {
        set = &kOtherAddress;
    }
    std::string street = parts[2];
    if (!parts[1].empty())
        street = street.empty() ? parts[1] : street + "\n" + parts[1];
    b.Set(set->box, parts[0]);
    b.Set(set->street, street);
    b.Set(set->city, parts[3]);
    b.Set(set->region, parts[4]);
    b.Set(set->code, parts[5]);
    b.Set(set->country, parts[6]);
}

// A date (YYYY-MM-DD or YYYYMMDD, a time after it ignored) as midnight UTC of that day.
std::optional<FILETIME> ParseDate(std::string_view text) {
    int year = 0, month = 0, day = 0;
    char rest[2] = {};
    const std::string value(text.substr(0, text.find('T')));
    if (std::sscanf(value.c_str(), "%4d-%2d-%2d%1s", &year, &month, &day, rest) != 3 &&
        std::sscanf(value.c_str(), "%4d%2d%2d%1s", &year, &month, &day, rest) != 3)
        return std::nullopt;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    FILETIME ft{};
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 ||
        !SystemTimeToFileTime(&st, &ft))
        return std::nullopt;
    return ft;
}

std::string DateText(const FILETIME& ft) {
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&ft, &st))
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(st.wYear),
                  static_cast<unsigned>(st.wMonth), static_cast<unsigned>(st.wDay));
    return text;
}

}  // namespace

std::string FieldText(const Contact& contact, ULONG tag) {
    const ContactField* field = Find(contact, tag);
    if (!field)
        return {};
    const auto* text = std::get_if<std::string>(&field->value);
    return text ? *text : std::string();
}

Contact ContactFromCard(const Card& card) {
    ContactBuilder b;
    std::vector<std::string> emails;
    std::optional<std::size_t> preferred;
    for (const Property& p : card.properties) {
        if (p.binary)
            continue;  // pictures, sounds and keys have no place in a contact's fields
        const std::string& n = p.name;
        if (n == "FN") {
            b.SetIfEmpty(PR_DISPLAY_NAME_W, Unescape(p.value));
        } else if (n == "N") {
            std::vector<std::string> parts = SplitValue(p.value, ';');
            parts.resize(5);
            b.Set(PR_SURNAME_W, parts[0]);
            b.Set(PR_GIVEN_NAME_W, parts[1]);
            b.Set(PR_MIDDLE_NAME_W, parts[2]);
            b.Set(PR_DISPLAY_NAME_PREFIX_W, parts[3]);
            b.Set(PR_GENERATION_W, parts[4]);
        } else if (n == "NICKNAME") {
            b.SetIfEmpty(PR_NICKNAME_W, SplitValue(p.value, ',').front());
        } else if (n == "EMAIL") {
            std::string address = Unescape(p.value);
            if (address.empty())
                continue;
            if (p.IsPreferred() && !preferred)
                preferred = emails.size();
            emails.push_back(std::move(address));
        } else if (n == "TEL") {
            TakePhone(p, b);
        } else if (n == "URL") {
            const ULONG tag = p.HasType("WORK")                ? PR_BUSINESS_HOME_PAGE_W
                              : p.HasType("HOME")              ? PR_PERSONAL_HOME_PAGE_W
                              : b.Has(PR_PERSONAL_HOME_PAGE_W) ? PR_BUSINESS_HOME_PAGE_W
                                                               : PR_PERSONAL_HOME_PAGE_W;
            b.SetIfEmpty(tag, Unescape(p.value));
        } else if (n == "TITLE") {
            b.SetIfEmpty(PR_TITLE_W, Unescape(p.value));
        } else if (n == "ROLE") {
            b.SetIfEmpty(PR_PROFESSION_W, Unescape(p.value));
        } else if (n == "NOTE") {
            b.SetIfEmpty(PR_COMMENT_W, Unescape(p.value));
        } else if (n == "ORG") {
            std::vector<std::string> parts = SplitValue(p.value, ';');
            parts.resize(3);
            b.SetIfEmpty(PR_COMPANY_NAME_W, parts[0]);
            b.SetIfEmpty(PR_DEPARTMENT_NAME_W, parts[1]);
            b.SetIfEmpty(PR_OFFICE_LOCATION_W, parts[2]);
        } else if (n == "ADR") {
            TakeAddress(p, b);
        } else if (n == "BDAY" || n == "ANNIVERSARY" || n == "X-ANNIVERSARY") {
            const ULONG tag = n == "BDAY" ? PR_BIRTHDAY : PR_WEDDING_ANNIVERSARY;
            if (auto date = ParseDate(p.value); date && !b.Has(tag))
                b.Add({tag, *date});
        } else if (n == "GENDER" && !p.value.empty() && !b.Has(PR_GENDER)) {
            const char sex = p.value[0];
            if (sex == 'F' || sex == 'f' || sex == 'M' || sex == 'm')
                b.Add({PR_GENDER, LONG{sex == 'F' || sex == 'f' ? 1 : 2}});
        }
    }
    if (!emails.empty()) {
        const std::size_t index = preferred.value_or(0);
        b.Set(PR_EMAIL_ADDRESS_W, emails[index]);
        b.Set(PR_ADDRTYPE_W, "SMTP");
        b.Add({PR_CONTACT_EMAIL_ADDRESSES_W, emails});
        b.Add({PR_CONTACT_ADDRTYPES_W, std::vector<std::string>(emails.size(), "SMTP")});
        b.Add({PR_CONTACT_DEFAULT_ADDRESS_INDEX, static_cast<LONG>(index)});
    }
    if (!b.Has(PR_DISPLAY_NAME_W)) {
        Contact& c = b.Result();
        std::string name = FieldText(c, PR_GIVEN_NAME_W);
        const std::string surname = FieldText(c, PR_SURNAME_W);
        if (!surname.empty())
            name = name.empty() ? surname : name + " " + surname;
        if (name.empty())
            name = FieldText(c, PR_COMPANY_NAME_W);
        if (name.empty())
            name = FieldText(c, PR_EMAIL_ADDRESS_W);
        b.Set(PR_DISPLAY_NAME_W, name);
    }
    return std::move(b.Result());
}

std::string CardFromContact(const Contact& contact) {
    std::string out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    auto line = [&out](const std::string& content) { out += Fold(content); };
    auto text = [&](const char* name, ULONG tag) {
        const std::string value = FieldText(contact, tag);
        if (!value.empty())
            line(std::string(name) + ":" + Escape(value));
    };
    auto structured = [&](const std::string& head, std::initializer_list<std::string> parts,
                          bool always) {
        std::vector<std::string> escaped;
        for (const std::string& part : parts)
            escaped.push_back(Escape(part));
        while (!always && !escaped.empty() && escaped.back().empty())
            escaped.pop_back();
        if (escaped.empty())
            return;
        std::string value;
        for (std::size_t i = 0; i < escaped.size(); ++i)
            value += (i ? ";" : "") + escaped[i];
        line(head + ":" + value);
    };
    auto f = [&contact](ULONG tag) { return FieldText(contact, tag); };

    line("FN:" + Escape(f(PR_DISPLAY_NAME_W)));
    structured("N",
               {f(PR_SURNAME_W), f(PR_GIVEN_NAME_W), f(PR_MIDDLE_NAME_W),
                f(PR_DISPLAY_NAME_PREFIX_W), f(PR_GENERATION_W)},
               true);
    text("NICKNAME", PR_NICKNAME_W);

    std::vector<std::string> emails;
    std::size_t preferred = 0;
    if (const ContactField* all = Find(contact, PR_CONTACT_EMAIL_ADDRESSES_W)) {
        if (const auto* list = std::get_if<std::vector<std::string>>(&all->value))
            emails = *list;
        if (const ContactField* index = Find(contact, PR_CONTACT_DEFAULT_ADDRESS_INDEX)) {
            if (const auto* number = std::get_if<LONG>(&index->value); number && *number >= 0)
                preferred = static_cast<std::size_t>(*number);
        }
    }
    if (emails.empty() && !f(PR_EMAIL_ADDRESS_W).empty())
        emails.push_back(f(PR_EMAIL_ADDRESS_W));
    for (std::size_t i = 0; i < emails.size(); ++i)
        line(std::string("EMAIL;TYPE=INTERNET") + (i == preferred ? ",PREF" : "") + ":" +
             Escape(emails[i]));

    for (const PhoneSlot& phone : kPhones) {
        const std::string number = f(phone.tag);
        if (!number.empty())
            line(std::string("TEL;TYPE=") + phone.types + ":" + Escape(number));
    }
    if (!f(PR_PERSONAL_HOME_PAGE_W).empty())
        line("URL;TYPE=HOME:" + Escape(f(PR_PERSONAL_HOME_PAGE_W)));
    if (!f(PR_BUSINESS_HOME_PAGE_W).empty())
        line("URL;TYPE=WORK:" + Escape(f(PR_BUSINESS_HOME_PAGE_W)));
    text("TITLE", PR_TITLE_W);
    text("ROLE", PR_PROFESSION_W);
    structured("ORG", {f(PR_COMPANY_NAME_W), f(PR_DEPARTMENT_NAME_W), f(PR_OFFICE_LOCATION_W)},
               false);
    for (const AddressSet* set : {&kHomeAddress, &kBusinessAddress, &kOtherAddress}) {
        const std::initializer_list<std::string> parts = {
            f(set->box),    std::string(), f(set->street), f(set->city),
            f(set->region), f(set->code),  f(set->country)};
        bool any = false;
        for (const std::string& part : parts)
            any = any || !part.empty();
        if (any)
            structured(std::string("ADR;TYPE=") + set->types, parts, true);
    }
    for (const auto& [name, tag] :
         {std::pair{"BDAY", PR_BIRTHDAY}, std::pair{"X-ANNIVERSARY", PR_WEDDING_ANNIVERSARY}}) {
        if (const ContactField* date = Find(contact, tag)) {
            if (const auto* ft = std::get_if<FILETIME>(&date->value))
                line(std::string(name) + ":" + DateText(*ft));
        }
    }
    text("NOTE", PR_COMMENT_W);
    out += "END:VCARD\r\n";
    return out;
}

}  // namespace vcard
