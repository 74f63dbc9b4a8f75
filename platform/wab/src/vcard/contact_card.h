// A contact as the address book keeps it and as a vCard carries it: the mapping between the
// two, both ways. The README's "Contacts and wabtool" section has the mapping table.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include <wab/wabdefs.h>

#include "vcard/vcard.h"

namespace vcard {

// One property of a contact: text (PT_UNICODE tags) in UTF-8, a list of texts
// (PT_MV_UNICODE), a time (PT_SYSTIME) or a number (PT_LONG, PT_I2).
struct ContactField {
    using Value = std::variant<std::string, std::vector<std::string>, FILETIME, LONG>;
    ContactField(ULONG t, Value v) : tag(t), value(std::move(v)) {}
    ULONG tag = PR_NULL;
    Value value;
};
using Contact = std::vector<ContactField>;

Contact ContactFromCard(const Card& card);
// The contact as one vCard 3.0 in UTF-8, lines folded at 75 octets and ended with CR LF.
std::string CardFromContact(const Contact& contact);

// The text of the field with the identifier of `tag`; empty when there is none.
std::string FieldText(const Contact& contact, ULONG tag);

}  // namespace vcard
