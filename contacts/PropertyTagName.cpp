#include "contacts/PropertyTagName.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

struct NamedRange {
    ULONG first;
    std::vector<const char*> names;
};

// The known identifiers, in runs of consecutive identifiers.
const std::array<NamedRange, 8> kNames = {{
    {0x0FFE, {"PR_OBJECT_TYPE", "PR_ENTRYID"}},
    {0x3001, {"PR_DISPLAY_NAME", "PR_ADDRTYPE", "PR_EMAIL_ADDRESS", "PR_COMMENT"}},
    {0x300B, {"PR_SEARCH_KEY"}},
    {0x39FF, {"PR_7BIT_DISPLAY_NAME"}},
    {0x3A00,
     {"PR_ACCOUNT",
      "PR_ALTERNATE_RECIPIENT",
      "PR_CALLBACK_TELEPHONE_NUMBER",
      "PR_CONVERSION_PROHIBITED",
      "PR_DISCLOSE_RECIPIENTS",
      "PR_GENERATION",
      "PR_GIVEN_NAME",
      "PR_GOVERNMENT_ID_NUMBER",
      "PR_BUSINESS_TELEPHONE_NUMBER",
      "PR_HOME_TELEPHONE_NUMBER",
      "PR_INITIALS",
      "PR_KEYWORD",
      "PR_LANGUAGE",
      "PR_LOCATION",
      "PR_MAIL_PERMISSION",
      "PR_MHS_COMMON_NAME",
      "PR_ORGANIZATIONAL_ID_NUMBER",
      "PR_SURNAME",
      "PR_ORIGINAL_ENTRYID",
      "PR_ORIGINAL_DISPLAY_NAME",
      "PR_ORIGINAL_SEARCH_KEY",
      "PR_POSTAL_ADDRESS",
      "PR_COMPANY_NAME",
      "PR_TITLE",
      "PR_DEPARTMENT_NAME",
      "PR_OFFICE_LOCATION",
      "PR_PRIMARY_TELEPHONE_NUMBER",
      "PR_BUSINESS2_TELEPHONE_NUMBER",
      "PR_CELLULAR_TELEPHONE_NUMBER",
      "PR_RADIO_TELEPHONE_NUMBER",
      "PR_CAR_TELEPHONE_NUMBER",
      "PR_OTHER_TELEPHONE_NUMBER",
      "PR_TRANSMITABLE_DISPLAY_NAME",
      "PR_PAGER_TELEPHONE_NUMBER",
      "PR_USER_CERTIFICATE",
      "PR_PRIMARY_FAX_NUMBER",
      "PR_BUSINESS_FAX_NUMBER",
      "PR_HOME_FAX_NUMBER",
      "PR_COUNTRY",
      "PR_LOCALITY",
      "PR_STATE_OR_PROVINCE",
      "PR_STREET_ADDRESS",
      "PR_POSTAL_CODE",
      "PR_POST_OFFICE_BOX",
      "PR_TELEX_NUMBER",
      "PR_ISDN_NUMBER",
      "PR_ASSISTANT_TELEPHONE_NUMBER",
      "PR_HOME2_TELEPHONE_NUMBER",
      "PR_ASSISTANT"}},
    {0x3A40,
     {"PR_SEND_RICH_INFO",
      "PR_WEDDING_ANNIVERSARY",
      "PR_BIRTHDAY",
      "PR_HOBBIES",
      "PR_MIDDLE_NAME",
      "PR_DISPLAY_NAME_PREFIX",
      "PR_PROFESSION",
      "PR_PREFERRED_BY_NAME",
      "PR_SPOUSE_NAME",
      "PR_COMPUTER_NETWORK_NAME",
      "PR_CUSTOMER_ID",
      "PR_TTYTDD_PHONE_NUMBER",
      "PR_FTP_SITE",
      "PR_GENDER",
      "PR_MANAGER_NAME",
      "PR_NICKNAME",
      "PR_PERSONAL_HOME_PAGE",
      "PR_BUSINESS_HOME_PAGE",
      "PR_CONTACT_VERSION",
      "PR_CONTACT_ENTRYIDS",
      "PR_CONTACT_ADDRTYPES",
      "PR_CONTACT_DEFAULT_ADDRESS_INDEX",
      "PR_CONTACT_EMAIL_ADDRESSES",
      "PR_COMPANY_MAIN_PHONE_NUMBER",
      "PR_CHILDRENS_NAMES",
      "PR_HOME_ADDRESS_CITY",
      "PR_HOME_ADDRESS_COUNTRY",
      "PR_HOME_ADDRESS_POSTAL_CODE",
      "PR_HOME_ADDRESS_STATE_OR_PROVINCE",
      "PR_HOME_ADDRESS_STREET",
      "PR_HOME_ADDRESS_POST_OFFICE_BOX",
      "PR_OTHER_ADDRESS_CITY",
      "PR_OTHER_ADDRESS_COUNTRY",
      "PR_OTHER_ADDRESS_POSTAL_CODE",
      "PR_OTHER_ADDRESS_STATE_OR_PROVINCE",
      "PR_OTHER_ADDRESS_STREET",
      "PR_OTHER_ADDRESS_POST_OFFICE_BOX"}},
    {0x3A70, {"PR_USER_X509_CERTIFICATE", "PR_SEND_INTERNET_ENCODING"}},
}};

}  // namespace

std::string PropertyTagName(ULONG tag) {
    const ULONG id = tag >> 16;
    for (const NamedRange& range : kNames) {
        if (id >= range.first && id - range.first < range.names.size())
            return range.names[id - range.first];
    }
    char text[40];
    std::snprintf(text, sizeof text, "Unknown property tag 0x%lx", static_cast<unsigned long>(id));
    return text;
}
