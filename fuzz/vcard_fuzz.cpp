// libFuzzer target for the vCard reader: the input is a whole .vcf file. Every card read is
// mapped to a contact and written again, and what the writer makes must read back as one
// card without problems.
#include <cstdint>
#include <string_view>

#include "vcard/contact_card.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vcard::ReadResult read = vcard::Read(text);
    for (const vcard::Card& card : read.cards) {
        const std::string written = vcard::CardFromContact(vcard::ContactFromCard(card));
        const vcard::ReadResult again = vcard::Read(written);
        if (again.cards.size() != 1 || !again.problems.empty())
            __builtin_trap();
    }
    return 0;
}
