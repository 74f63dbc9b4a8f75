// Messages as real mailers write them, and broken ones: which bodies GetAttachments lists,
// which of them are attachments, their display names (ANSI, Windows-1252) and decoded bytes.
#include "mime_test_util.h"

namespace mimetest {
namespace {

struct Listed {
    std::string name;
    bool attachment;
    std::string bytes;
};

struct Golden {
    std::string file;
    std::vector<Listed> listed;
};

std::string EveryByteThrice() {
    std::string bytes;
    for (int round = 0; round < 3; ++round) {
        for (int b = 0; b < 256; ++b)
            bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

std::vector<Golden> GoldenMessages() {
    const Listed report{"report.pdf", true, EveryByteThrice()};
    return {
        {"outlook_express_base64.eml", {report}},
        {"bare_lf.eml", {report}},
        {"missing_closing_boundary.eml", {report}},
        // A base64 quad cut short yields the bytes its whole quads hold.
        {"truncated_base64.eml", {{"report.pdf", true, "Hello Wor"}}},
        {"thunderbird_rfc2231.eml",
         {{"\xFC"
           "bersicht \x80.txt",
           true, "Zeile 1\r\nZeile 2 \xE2\x82\xAC\r\n"},
          // Japanese letters are not in Windows-1252.
          {"??????.dat", true, std::string("\0\1\2\3", 4)}}},
        {"rfc2047_and_quoted_printable.eml",
         {{"Pr\xE4sentation M\xE4rz.ppt", true, "PPT"},
          {"notes.txt", true,
           "a=b and a long line that was wrapped by the mailer with a soft line break "
           "here.\r\n\xE4 end\r\n"},
          {"r\xE9sum\xE9 raw 8bit.png", true, "\x89PNG"}}},
        {"uuencode.eml",
         {{"hello.bin", true, "Hello world!\n"}, {"second.txt", true, "second file"}}},
        {"forward_related_rfc822.eml",
         {{"logo.gif", true, "GIF89a"},
          {"ATT00002.dat", false, "\x89PNG"},
          {"ATT00003.eml", true, GoldenText("forward_related_rfc822.inner")},
          {"second.eml", true, "Subject: tiny\r\n\r\ntiny body"},
          {"ATT00005.txt", false, "This part has no headers."}}},
    };
}

TEST(MimeGolden, ListsNamesAndDecodesEveryBody) {
    for (const Golden& golden : GoldenMessages()) {
        SCOPED_TRACE(golden.file);
        const ComPtr<IMimeMessage> message = Parse(GoldenText(golden.file));
        const std::vector<HBODY> handles = Handles(message.Get());
        ASSERT_EQ(handles.size(), golden.listed.size());
        for (size_t i = 0; i < handles.size(); ++i) {
            SCOPED_TRACE(i);
            const Listed& expected = golden.listed[i];
            EXPECT_EQ(message->IsBodyType(handles[i], IBT_ATTACHMENT),
                      expected.attachment ? S_OK : S_FALSE);
            const ComPtr<IMimeBody> body = Bind(message.Get(), handles[i]);
            EXPECT_EQ(DisplayName(body.Get()), expected.name);
            EXPECT_EQ(Saved(body.Get()), expected.bytes);
        }
    }
}

// Generated messages: text only, odd structure, and structure past the parser's limits.
struct Shape {
    std::string name;
    std::string text;
    size_t listed;
    size_t attachments;
    std::string lastBodyBegins = "";  // the saved bytes of the last listed body
};

std::string Nested(int depth, const std::string& innermost) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) +
                "\"\r\n\r\n--b" + std::to_string(i) + "\r\n";
    return text + innermost;
}

std::string ManyParts(int parts) {
    std::string text = "Content-Type: multipart/mixed; boundary=p\n\n";
    for (int i = 0; i < parts; ++i)
        text += "--p\nContent-Type: image/png; name=" + std::to_string(i) + ".png\n\nx\n";
    return text + "--p--\n";
}

const std::string kNamedPdf =
    "Content-Type: application/pdf; name=\"a.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "JVBERg==\r\n";

TEST(MimeGolden, StructureIsReadWithinBounds) {
    std::string manyHeaders = "Subject: x\n";
    for (int i = 0; i < 30000; ++i)
        manyHeaders += "X-H: y\n";
    const std::vector<Shape> shapes = {
        {"empty", "", 0, 0},
        {"headers only", "Subject: nothing else\r\n", 0, 0},
        {"plain text", "Subject: hi\r\n\r\nhello\r\n", 0, 0},
        {"html text", "Content-Type: text/html\r\n\r\n<p>hi</p>", 0, 0},
        {"the message is the file", kNamedPdf, 1, 1},
        {"unreadable start", " leading blank\r\n\r\nbody", 0, 0},
        {"multipart without boundary", "Content-Type: multipart/mixed\r\n\r\nx\r\n", 0, 0},
        {"text marked attachment first",
         "Content-Type: multipart/mixed; boundary=q\r\n\r\n--q\r\nContent-Disposition: "
         "attachment\r\n\r\nt\r\n--q--\r\n",
         1, 1},
        {"nested 40 deep", Nested(40, kNamedPdf), 1, 1},
        // Past 64 levels the rest is one opaque body of no file.
        {"nested 5000 deep", Nested(5000, kNamedPdf), 1, 0,
         "--b64\r\nContent-Type: multipart/mixed; boundary=\"b65\"\r\n"},
        // Past 1,000 delimiters the rest is content of the 1,000th body.
        {"1200 parts", ManyParts(1200), 1000, 1000,
         "x\n--p\nContent-Type: image/png; name=1000.png\n"},
        {"30000 header lines", manyHeaders + "Content-Type: image/png; name=a.png\n\nx\n", 0, 0},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const ComPtr<IMimeMessage> message = Parse(shape.text);
        const std::vector<HBODY> handles = Handles(message.Get());
        EXPECT_EQ(handles.size(), shape.listed);
        size_t attachments = 0;
        for (HBODY handle : handles)
            attachments += message->IsBodyType(handle, IBT_ATTACHMENT) == S_OK;
        EXPECT_EQ(attachments, shape.attachments);
        if (!shape.lastBodyBegins.empty() && !handles.empty()) {
            const std::string saved = Saved(Bind(message.Get(), handles.back()).Get());
            EXPECT_EQ(saved.substr(0, shape.lastBodyBegins.size()), shape.lastBodyBegins);
        }
    }
}

}  // namespace
}  // namespace mimetest
