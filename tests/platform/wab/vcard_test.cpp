// The vCard reader, the text rules and the mapping between cards and contacts.
#include <gtest/gtest.h>

#include <winpal/kernel.h>

#include "vcard/contact_card.h"

namespace vcard {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* property;  // the property whose value is checked
    std::string value;     // its value after reading (escapes still in place)
};

TEST(VcardRead, ValuesAcrossVersionsAndEncodings) {
    const std::vector<ReadCase> cases = {
        {"3.0 folded line",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:one\r\n  two\r\n\tthree\r\nEND:VCARD\r\n", "NOTE",
         "one twothree"},
        {"LF line ends", "BEGIN:VCARD\nVERSION:4.0\nFN:Lf Only\nEND:VCARD\n", "FN", "Lf Only"},
        {"2.1 quoted-printable with soft breaks",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9 =\r\nau "
         "=\r\nlait\r\nEND:VCARD\r\n",
         "NOTE", "caf\xC3\xA9 au lait"},
        {"2.1 bare QUOTED-PRINTABLE with CHARSET",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=ISO-8859-1;QUOTED-PRINTABLE:J=FCrgen\r\nEND:"
         "VCARD\r\n",
         "FN", "J\xC3\xBCrgen"},
        {"2.1 without CHARSET in Windows-1252",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ren\xE9 \x80\r\nEND:VCARD\r\n", "FN",
         "Ren\xC3\xA9 \xE2\x82\xAC"},
        {"group prefix and lower-case name",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.email;type=INTERNET:a@b.c\r\nEND:VCARD\r\n", "EMAIL",
         "a@b.c"},
        {"quoted parameter with a colon",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nTEL;TYPE=\"work,voice\";LABEL=\"a:b\":tel:+1\r\nEND:"
         "VCARD\r\n",
         "TEL", "tel:+1"},
        {"escapes are kept for the mapping",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:O\\;Neil;Ann\r\nEND:VCARD\r\n", "N", "O\\;Neil;Ann"},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bom\r\nEND:VCARD\r\n",
         "FN", "Bom"},
        {"2.1 base64 block up to the empty line",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:AAAA\r\nBBBB\r\n\r\nFN:"
         "After\r\nEND:VCARD\r\n",
         "PHOTO", "AAAABBBB"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult result = Read(c.text);
        ASSERT_TRUE(result.problems.empty()) << result.problems[0].message;
        ASSERT_EQ(result.cards.size(), 1u);
        const Property* found = nullptr;
        for (const Property& p : result.cards[0].properties) {
            if (p.name == c.property)
                found = &p;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->value, c.value);
    }
}

struct BrokenCase {
    const char* name;
    std::string text;
    int line;  // where the problem is reported
    std::size_t goodCards;
};

TEST(VcardRead, BrokenCardsAreReportedWithTheirLineAndSkipped) {
    const std::string good = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Good\r\nEND:VCARD\r\n";  // 4 lines
    const std::vector<BrokenCase> cases = {
        {"line without a colon",
         good + "BEGIN:VCARD\r\nVERSION:3.0\r\nno colon here\r\nEND:VCARD\r\n" + good, 7, 2},
        {"bad quoted-printable",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:bad=ZZ\r\nEND:VCARD\r\n" +
             good,
         3, 1},
        {"unknown version", "BEGIN:VCARD\r\nVERSION:5.0\r\nFN:X\r\nEND:VCARD\r\n" + good, 2, 1},
        {"no version", good + "BEGIN:VCARD\r\nFN:X\r\nEND:VCARD\r\n", 5, 1},
        {"missing END before the next card", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:X\r\n" + good, 1, 1},
        {"missing END at the end of the file", good + "BEGIN:VCARD\r\nVERSION:3.0\r\n", 5, 1},
        {"3.0 text that is not UTF-8",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xFF\xFE\r\nEND:VCARD\r\n" + good, 3, 1},
        {"unknown character set",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=NO-SUCH-SET:x\r\nEND:VCARD\r\n" + good, 3, 1},
        {"bad property name", good + "BEGIN:VCARD\r\nVERSION:3.0\r\nF N:x\r\nEND:VCARD\r\n", 7, 1},
        {"text outside a card", "FN:Stray\r\n" + good, 1, 1},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult result = Read(c.text);
        ASSERT_EQ(result.problems.size(), 1u);
        EXPECT_EQ(result.problems[0].line, c.line) << result.problems[0].message;
        EXPECT_EQ(result.cards.size(), c.goodCards);
    }
}

TEST(VcardText, EscapingSplittingAndFolding) {
    EXPECT_EQ(Escape("a,b;c\\d\r\ne\nf"), "a\\,b\\;c\\\\d\\ne\\nf");
    EXPECT_EQ(Unescape(Escape("a,b;c\\d\ne")), "a,b;c\\d\ne");
    EXPECT_EQ(Unescape("C:\\temp\\N"), "C:\\temp\n");
    EXPECT_EQ(SplitValue("Doe;John\\;Jr;;Dr.", ';'),
              (std::vector<std::string>{"Doe", "John;Jr", "", "Dr."}));
    const std::string folded =
        Fold(std::string(70, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9" + std::string(80, 'b'));
    std::size_t start = 0;
    std::size_t lines = 0;
    while (start < folded.size()) {
        const std::size_t end = folded.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u);
        if (lines > 0) {
            EXPECT_EQ(folded[start], ' ');
        }
        // No line starts inside a UTF-8 sequence.
        EXPECT_NE(static_cast<unsigned char>(folded[start + (lines > 0 ? 1 : 0)]) & 0xC0, 0x80);
        start = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, 3u);
    const ReadResult back = Read("BEGIN:VCARD\r\nVERSION:3.0\r\n" +
                                 Fold("NOTE:" + std::string(200, 'x')) + "END:VCARD\r\n");
    ASSERT_EQ(back.cards.size(), 1u);
    EXPECT_EQ(back.cards[0].properties[1].value, std::string(200, 'x'));
}

struct MapCase {
    const char* line;
    ULONG tag;
    const char* text;
};

TEST(VcardContact, FieldsMapToTheirProperties) {
    const std::vector<MapCase> cases = {
        {"FN:Full Name", PR_DISPLAY_NAME_W, "Full Name"},
        {"N:Doe;John;Q;Dr.;Jr.", PR_SURNAME_W, "Doe"},
        {"N:Doe;John;Q;Dr.;Jr.", PR_GIVEN_NAME_W, "John"},
        {"N:Doe;John;Q;Dr.;Jr.", PR_MIDDLE_NAME_W, "Q"},
        {"N:Doe;John;Q;Dr.;Jr.", PR_DISPLAY_NAME_PREFIX_W, "Dr."},
        {"N:Doe;John;Q;Dr.;Jr.", PR_GENERATION_W, "Jr."},
        {"NICKNAME:Jo,Johnny", PR_NICKNAME_W, "Jo"},
        {"TEL;WORK;VOICE:1", PR_BUSINESS_TELEPHONE_NUMBER_W, "1"},
        {"TEL;TYPE=HOME,VOICE:2", PR_HOME_TELEPHONE_NUMBER_W, "2"},
        {"TEL;CELL:3", PR_CELLULAR_TELEPHONE_NUMBER_W, "3"},
        {"TEL;TYPE=cell;VALUE=uri:tel:+33", PR_CELLULAR_TELEPHONE_NUMBER_W, "+33"},
        {"TEL;PAGER:4", PR_PAGER_TELEPHONE_NUMBER_W, "4"},
        {"TEL;WORK;FAX:5", PR_BUSINESS_FAX_NUMBER_W, "5"},
        {"TEL;TYPE=home,fax:6", PR_HOME_FAX_NUMBER_W, "6"},
        {"TEL;PREF:7", PR_PRIMARY_TELEPHONE_NUMBER_W, "7"},
        {"TEL:8", PR_OTHER_TELEPHONE_NUMBER_W, "8"},
        {"URL;HOME:http://home", PR_PERSONAL_HOME_PAGE_W, "http://home"},
        {"URL;TYPE=WORK:http://work", PR_BUSINESS_HOME_PAGE_W, "http://work"},
        {"TITLE:Boss", PR_TITLE_W, "Boss"},
        {"ROLE:Chemist", PR_PROFESSION_W, "Chemist"},
        {"ORG:ACME;Sales;Room 4", PR_COMPANY_NAME_W, "ACME"},
        {"ORG:ACME;Sales;Room 4", PR_DEPARTMENT_NAME_W, "Sales"},
        {"ORG:ACME;Sales;Room 4", PR_OFFICE_LOCATION_W, "Room 4"},
        {"NOTE:line one\\nline two", PR_COMMENT_W, "line one\nline two"},
        {"ADR;HOME:;;1 Main St;Springfield;IL;62701;USA", PR_HOME_ADDRESS_STREET_W, "1 Main St"},
        {"ADR;HOME:;;1 Main St;Springfield;IL;62701;USA", PR_HOME_ADDRESS_CITY_W, "Springfield"},
        {"ADR;HOME:;;1 Main St;Springfield;IL;62701;USA", PR_HOME_ADDRESS_COUNTRY_W, "USA"},
        {"ADR;WORK:PO 9;Suite 2;2 Side St;Paris;;75001;France", PR_STREET_ADDRESS_W,
         "2 Side St\nSuite 2"},
        {"ADR;WORK:PO 9;Suite 2;2 Side St;Paris;;75001;France", PR_POST_OFFICE_BOX_W, "PO 9"},
        {"ADR;WORK:PO 9;Suite 2;2 Side St;Paris;;75001;France", PR_POSTAL_CODE_W, "75001"},
        {"EMAIL;INTERNET:x@example.org", PR_EMAIL_ADDRESS_W, "x@example.org"},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.line);
        const ReadResult read =
            Read(std::string("BEGIN:VCARD\r\nVERSION:3.0\r\n") + c.line + "\r\nEND:VCARD\r\n");
        ASSERT_EQ(read.cards.size(), 1u);
        EXPECT_EQ(FieldText(ContactFromCard(read.cards[0]), c.tag), c.text);
    }
}

TEST(VcardContact, EmailsBirthdayAndTheNameWhenFnIsMissing) {
    const ReadResult read = Read(
        "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lovelace;Ada;;;\r\nEMAIL:first@example.org\r\n"
        "EMAIL;PREF=1:second@example.org\r\nBDAY:1815-12-10\r\nEND:VCARD\r\n");
    ASSERT_EQ(read.cards.size(), 1u);
    const Contact contact = ContactFromCard(read.cards[0]);
    EXPECT_EQ(FieldText(contact, PR_DISPLAY_NAME_W), "Ada Lovelace");
    EXPECT_EQ(FieldText(contact, PR_EMAIL_ADDRESS_W), "second@example.org");
    EXPECT_EQ(FieldText(contact, PR_ADDRTYPE_W), "SMTP");
    bool sawList = false;
    bool sawBirthday = false;
    for (const ContactField& field : contact) {
        if (field.tag == PR_CONTACT_EMAIL_ADDRESSES_W) {
            sawList = std::get<std::vector<std::string>>(field.value) ==
                      std::vector<std::string>{"first@example.org", "second@example.org"};
        }
        if (field.tag == PR_BIRTHDAY) {
            SYSTEMTIME st{};
            ASSERT_TRUE(FileTimeToSystemTime(&std::get<FILETIME>(field.value), &st));
            sawBirthday = st.wYear == 1815 && st.wMonth == 12 && st.wDay == 10;
        }
    }
    EXPECT_TRUE(sawList);
    EXPECT_TRUE(sawBirthday);
}

TEST(VcardContact, WrittenCardsReadBackToTheSameContact) {
    const ReadResult first = Read(
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8:Bj\xC3\xB6rk, \"the\"; singer\r\n"
        "N:Gu\xC3\xB0mundsd\xC3\xB3ttir;Bj\xC3\xB6rk\r\nTEL;WORK;VOICE:1\r\nTEL;HOME;FAX:2\r\n"
        "TEL;WORK;VOICE:3\r\nEMAIL;PREF;INTERNET:b@example.is\r\nEMAIL;INTERNET:c@example.is\r\n"
        "ORG:Sugarcubes;Vocals\r\nNOTE;ENCODING=QUOTED-PRINTABLE:two=0D=0Alines\r\n"
        "ADR;HOME:;;Laugavegur 1;Reykjav\xC3\xADk;;101;Iceland\r\nBDAY:19651121\r\nEND:VCARD\r\n");
    ASSERT_EQ(first.cards.size(), 1u);
    const Contact contact = ContactFromCard(first.cards[0]);
    const std::string written = CardFromContact(contact);
    EXPECT_EQ(written.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\n", 0), 0u);
    const ReadResult again = Read(written);
    ASSERT_TRUE(again.problems.empty());
    ASSERT_EQ(again.cards.size(), 1u);
    const Contact back = ContactFromCard(again.cards[0]);
    for (ULONG tag : {PR_DISPLAY_NAME_W, PR_SURNAME_W, PR_GIVEN_NAME_W,
                      PR_BUSINESS_TELEPHONE_NUMBER_W, PR_BUSINESS2_TELEPHONE_NUMBER_W,
                      PR_HOME_FAX_NUMBER_W, PR_EMAIL_ADDRESS_W, PR_COMPANY_NAME_W,
                      PR_DEPARTMENT_NAME_W, PR_HOME_ADDRESS_CITY_W, PR_HOME_ADDRESS_COUNTRY_W}) {
        EXPECT_EQ(FieldText(back, tag), FieldText(contact, tag)) << std::hex << tag;
        EXPECT_FALSE(FieldText(back, tag).empty()) << std::hex << tag;
    }
    EXPECT_EQ(FieldText(back, PR_DISPLAY_NAME_W), "Bj\xC3\xB6rk, \"the\"; singer");
    EXPECT_EQ(FieldText(back, PR_COMMENT_W), "two\nlines");
}

}  // namespace
}  // namespace vcard
