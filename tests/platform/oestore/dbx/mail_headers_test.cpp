// Deriving record columns from a message's header.
#include <gtest/gtest.h>

#include "dbx/filetime.h"
#include "dbx/mail_headers.h"
#include "dbx_test_util.h"

namespace {

using namespace dbx;

TEST(MailHeaders, WelcomeMessageGivesTheColumnsOutlookExpressStored) {
    MessageFile inbox = MessageFile::Open(dbxtest::Sample("Inbox.dbx"));
    Record stored = inbox.ReadRecord(2);
    Record derived = MessageRecordFromText(inbox.ReadText(2), {0, 1});
    for (uint8_t column : {msgcol::kSubject, msgcol::kNormalizedSubject, msgcol::kDisplayFrom,
                           msgcol::kEmailFrom, msgcol::kDisplayTo, msgcol::kEmailTo}) {
        EXPECT_EQ(derived.String(column), stored.String(column)) << int(column);
    }
    EXPECT_EQ(derived.Dword(msgcol::kPriority), stored.Dword(msgcol::kPriority));
    EXPECT_EQ(derived.Has(msgcol::kMessageId), stored.Has(msgcol::kMessageId));
    // The stored dates carry milliseconds the Date: header does not have.
    EXPECT_EQ(FormatFileTime(derived.FileTime(msgcol::kDate)),
              FormatFileTime(stored.FileTime(msgcol::kDate)));
    EXPECT_EQ(FormatFileTime(derived.FileTime(msgcol::kReceivedDate)),
              FormatFileTime(stored.FileTime(msgcol::kReceivedDate)));
}

TEST(MailHeaders, DatesParseWithZonesAndOldForms) {
    EXPECT_EQ(FormatFileTime(*ParseMailDate("Sat, 11 Dec 2021 20:45:59 -0800")),
              "2021-12-12 04:45:59");
    EXPECT_EQ(FormatFileTime(*ParseMailDate("5 Jul 04 09:03 GMT")), "2004-07-05 09:03:00");
    EXPECT_EQ(FormatFileTime(*ParseMailDate("Mon, 01 Mar 1999 23:30:00 EST (Eastern)")),
              "1999-03-02 04:30:00");
    EXPECT_FALSE(ParseMailDate("yesterday").has_value());
    EXPECT_FALSE(ParseMailDate("32 Jan 2000 10:00").has_value());
    EXPECT_EQ(UnixFromFileTime(FileTimeFromUnix(1234567890)), 1234567890);
}

TEST(MailHeaders, EncodedWordsAreDecodedIntoTheRecordCodePage) {
    EXPECT_EQ(DecodeEncodedWords("=?ISO-8859-1?Q?Caf=E9_cr=E8me?=", "WINDOWS-1252"),
              "Caf\xE9 cr\xE8me");
    EXPECT_EQ(DecodeEncodedWords("=?utf-8?B?w6TDtsO8?= =?utf-8?B?w58=?= end", "WINDOWS-1252"),
              "\xE4\xF6\xFC\xDF end");
    EXPECT_EQ(DecodeEncodedWords("=?utf-8?B?0J/RgNC40LLQtdGC?=", "WINDOWS-1252"), "??????");
    EXPECT_EQ(DecodeEncodedWords("plain =? text", "WINDOWS-1252"), "plain =? text");
}

TEST(MailHeaders, AddressesSplitIntoNamesAndAddresses) {
    auto boxes = ParseAddressList(
        "\"Doe, John\" <john@x.org>, mary@y.org (Mary Major), Team: a@b.c;, <bare@z.net>");
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].display, "Doe, John");
    EXPECT_EQ(boxes[0].address, "john@x.org");
    EXPECT_EQ(boxes[1].display, "Mary Major");
    EXPECT_EQ(boxes[1].address, "mary@y.org");
    EXPECT_EQ(boxes[2].address, "a@b.c");
    EXPECT_EQ(boxes[3].display, "bare@z.net");
}

TEST(MailHeaders, SubjectsLoseOneReplyOrForwardPrefix) {
    EXPECT_EQ(NormalizeSubject("Re: help!!"), "help!!");
    EXPECT_EQ(NormalizeSubject("Fwd: news"), "news");
    EXPECT_EQ(NormalizeSubject("Re:"), "Re:");
    EXPECT_EQ(NormalizeSubject("Note: not a prefix"), "Note: not a prefix");
    EXPECT_EQ(NormalizeSubject("plain"), "plain");
}

TEST(MailHeaders, NewMessageColumnsFollowTheHeader) {
    std::string text =
        "From: =?iso-8859-1?q?J=F6rg?= <joerg@example.de>\r\n"
        "To: A <a@x.org>, B <b@x.org>\r\n"
        "Subject: Re: Status\r\n"
        "X-Priority: 1\r\n"
        "Received: from mx by host; Tue, 6 Jul 2004 10:00:00 +0000\r\n"
        "Message-ID: <abc@example.de>\r\n\r\nbody\r\n";
    Record record = MessageRecordFromText(text, {msgflag::kRead, FileTimeFromUnix(1000000000)});
    EXPECT_EQ(record.String(msgcol::kDisplayFrom), "J\xF6rg");
    EXPECT_EQ(record.String(msgcol::kEmailFrom), "joerg@example.de");
    EXPECT_EQ(record.String(msgcol::kDisplayTo), "A; B");
    EXPECT_EQ(record.String(msgcol::kEmailTo), "a@x.org");
    EXPECT_EQ(record.String(msgcol::kNormalizedSubject), "Status");
    EXPECT_EQ(record.String(msgcol::kMessageId), "<abc@example.de>");
    EXPECT_EQ(record.Dword(msgcol::kPriority), 1u);
    EXPECT_EQ(record.Dword(msgcol::kFlags), msgflag::kRead);
    EXPECT_EQ(FormatFileTime(record.FileTime(msgcol::kReceivedDate)), "2004-07-06 10:00:00");
    EXPECT_EQ(record.FileTime(msgcol::kDate), record.FileTime(msgcol::kReceivedDate))
        << "no Date: header";
    EXPECT_EQ(record.FileTime(msgcol::kDownloadTime), FileTimeFromUnix(1000000000));
}

// Header shapes met in real mail, each with the columns a new message gets from it.
TEST(MailHeaders, RealWorldHeaderShapes) {
    struct Case {
        const char* name;
        std::string header;
        std::string subject, normalized, display_from, email_from, display_to, email_to, sent;
    };
    const std::vector<Case> cases = {
        {"folded subject", "Subject: A long\r\n\tsubject line\r\nFrom: a@x.org\r\n",
         "A long subject line", "A long subject line", "a@x.org", "a@x.org", "", "", "-"},
        {"encoded words across a fold", "Subject: =?UTF-8?B?w6Rs?=\r\n =?UTF-8?B?dGVy?=\r\n",
         "\xE4lter", "\xE4lter", "", "", "", "", "-"},
        {"encoded word in a quoted name", "From: \"=?ISO-8859-1?Q?Fran=E7ois?=\" <f@x.fr>\r\n", "",
         "", "Fran\xE7ois", "f@x.fr", "", "", "-"},
        {"name in a comment", "From: joe@x.org (Joe Bloggs)\r\n", "", "", "Joe Bloggs", "joe@x.org",
         "", "", "-"},
        {"bare address in brackets", "From: <bare@x.org>\r\n", "", "", "bare@x.org", "bare@x.org",
         "", "", "-"},
        {"empty group", "To: undisclosed-recipients:;\r\n", "", "", "", "", "", "", "-"},
        {"quoted comma and several recipients", "To: \"Smith, Ann\" <ann@x.org>, bob@y.org\r\n", "",
         "", "", "", "Smith, Ann; bob@y.org", "ann@x.org", "-"},
        {"date without a weekday, named zone", "Date: 5 Jul 2004 09:03:07 PDT\r\n", "", "", "", "",
         "", "", "2004-07-05 16:03:07"},
        {"date with a two-digit year", "Date: Mon, 5 Jul 04 09:03:07 +0000\r\n", "", "", "", "", "",
         "", "2004-07-05 09:03:07"},
        {"date with a zone comment", "Date: Tue, 06 Jul 2004 11:00:00 +0200 (CEST)\r\n", "", "", "",
         "", "", "", "2004-07-06 09:00:00"},
        {"line feeds alone", "Subject: unix\nFrom: a@b.org\n\nbody\n", "unix", "unix", "a@b.org",
         "a@b.org", "", "", "-"},
        {"field names in any case", "SUBJECT: caps\r\nfrom: lower@x.org\r\n", "caps", "caps",
         "lower@x.org", "lower@x.org", "", "", "-"},
        {"one prefix removed", "Subject: Fwd: Re: x\r\n", "Fwd: Re: x", "Re: x", "", "", "", "",
         "-"},
        {"German reply prefix", "Subject: AW: Antwort\r\n", "AW: Antwort", "Antwort", "", "", "",
         "", "-"},
        {"unknown charset", "Subject: =?x-unknown?Q?abc?=\r\n", "abc", "abc", "", "", "", "", "-"},
        {"8-bit header bytes", "Subject: caf\xE9\r\n", "caf\xE9", "caf\xE9", "", "", "", "", "-"},
        {"no header at all", "\r\nbody only\r\n", "", "", "", "", "", "", "-"},
        // Line breaks and NULs, raw or encoded, never reach a record string.
        {"encoded line break", "Subject: =?utf-8?Q?a=0D=0ABcc:_x@evil.example?=\r\n",
         "a  Bcc: x@evil.example", "a  Bcc: x@evil.example", "", "", "", "", "-"},
        {"encoded NUL", "From: =?utf-8?Q?Eve=00?= <eve@x.org>\r\n", "", "", "Eve ", "eve@x.org", "",
         "", "-"},
        {"bare carriage return", "Subject: a\rBcc: x@evil.example\r\n", "a Bcc: x@evil.example",
         "a Bcc: x@evil.example", "", "", "", "", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Record record = MessageRecordFromText(c.header + "\r\nbody\r\n", {0, 1});
        EXPECT_EQ(record.String(msgcol::kSubject), c.subject);
        EXPECT_EQ(record.String(msgcol::kNormalizedSubject), c.normalized);
        EXPECT_EQ(record.String(msgcol::kDisplayFrom), c.display_from);
        EXPECT_EQ(record.String(msgcol::kEmailFrom), c.email_from);
        EXPECT_EQ(record.String(msgcol::kDisplayTo), c.display_to);
        EXPECT_EQ(record.String(msgcol::kEmailTo), c.email_to);
        if (c.sent != "-") {
            EXPECT_EQ(FormatFileTime(record.FileTime(msgcol::kDate)), c.sent);
        }
        const TableSchema& schema = SchemaFor(TableKind::kMessages);
        for (const Column& column : record.columns) {
            if (schema.column_type(column.id) == ColumnType::kString) {
                std::string_view text(column.data);
                EXPECT_EQ(
                    text.substr(0, text.size() - 1).find_first_of(std::string_view("\r\n\0", 3)),
                    std::string_view::npos)
                    << "column " << int(column.id);
            }
        }
    }
}

}  // namespace
