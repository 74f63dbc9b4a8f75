// The messages collection's members that read a message's source or its MIME bodies: the whole
// text and the addresses taken out of it, the .eml copy, the view file, and the attachments.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <temp_prefix.h>

#include "QuillboxFixture.h"
#include "messages/ExportFiles.h"
#include "messages/HeaderExtraction.h"

namespace testsupport {
namespace {

using winpal::Variant;

TEST(HeaderExtraction, ReturnAddress) {
    const std::pair<const char*, const char*> cases[] = {
        {"Return-Path: <ann@x.org>\r\nTo: Bob <bob@x.org>\r\n", "ann@x.org"},
        {"Return-Path: <>\r\nTo: <bob@x.org>\r\n", ""},
        // "To:" inside "Delivered-To:" is found first; the address after it may be a later one.
        {"Delivered-To: bob@x.org\r\nFrom: Ann <ann@x.org>\r\n", "ann@x.org"},
        {"return-path: <low@x.org>\r\nTo: <bob@x.org>\r\n", "bob@x.org"},
        {"Reply-To: <r@x.org>\r\nReturn-Path: <p@x.org>\r\n", "p@x.org"},
        {"X-Early: <early@x.org>\r\nReturn-Path: none\r\nTo: <late@x.org>\r\n", "late@x.org"},
        {"To: bob@x.org\r\n", ""},
        {"To: > first, then <a@x.org", ""},
        {"To: <unterminated@x.org\r\n", ""},
        {"To: <a>", "a"},
        {"Subject: nothing\r\n\r\nbody <a@x.org>", ""},
        {"", ""},
    };
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(ExtractReturnAddress(source), expected) << source;
}

TEST(HeaderExtraction, DeliveredTo) {
    const std::string fortyOne(41, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"Delivered-To: bob@x.org\r\nReceived: from mx\r\n", "bob@x.org\r\n"},
        {"Delivered-To: bob@x.org\r\nFrom: someone with a long name\r\nReceived: by\r\n", ""},
        {"Delivered-To:xbob@x.org\r\nReceived: by\r\n", "bob@x.org\r\n"},
        {"Subject: x\r\nReceived: by\r\n", ""},
        {"Delivered-To:", ""},
        {"Delivered-To: ", ""},
        {"Delivered-To: Received:", ""},
        // The window holds 50 characters: a label that ends on its last one is found.
        {"Delivered-To: " + fortyOne + "Received:", fortyOne},
        {"Delivered-To: " + fortyOne + "xReceived:", ""},
    };
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(ExtractDeliveredTo(source), expected) << source;
}

TEST(AttachmentPathTest, JoinsCutsAndKeepsNamesInsideTheFolder) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"C:\\out\\", "report.doc", "C:\\out\\report.doc"},
        {"D:\\out", "report.doc", "D:\\outreport.doc"},  // no separator is added
        {"C:\\out\\", "report.doc (12 KB)", "C:\\out\\report.doc "},
        {"C:\\a (b)\\", "x.txt", "C:\\a "},  // the first "(" wherever it stands
        {"out/", "../x.txt", "out/x.txt"},
        {"out/", "..\\..\\x.txt", "out/x.txt"},
        {"out/", "/etc/passwd", "out/passwd"},
        {"out/", "c:evil.txt", "out/evil.txt"},
        {"out/", "C:\\Windows\\win.ini", "out/win.ini"},
        {"out/", "...", "out/..."},
        {"out/", "..", ""},
        {"out/", "dir/", ""},
        {"out/", "", ""},
    };
    for (const auto& [folder, name, expected] : cases)
        EXPECT_EQ(AttachmentPath(folder, name), expected) << folder << " + " << name;
}

class MessageServicesTest : public QuillboxFixture {
  protected:
    void SetUp() override {
        QuillboxFixture::SetUp();
        AddSampleTree();
        ScriptedMessage first = Mail(11, 0, "With attachments");
        first.source =
            "Return-Path: <ann@x.org>\r\nDelivered-To: bob@x.org\r\nReceived: by\r\n"
            "\r\nHello";
        first.bodies = {{"report.doc (12 KB)", true, S_OK, "R"},
                        {"body.txt", false, S_OK, "B"},
                        {"../evil.txt", true, S_OK, "E"},
                        {"broken.bin", true, E_FAIL, "X"},
                        {"photo.jpg", true, S_OK, "P"}};
        store.AddMessage(1, first);
        ScriptedMessage second = Mail(12, 0, "Long");
        for (int i = 0; i < 10000; ++i)
            second.source += static_cast<char>('a' + i % 26);
        store.AddMessage(1, second);
        Open(true);
        messages = Messages();
        SelectFolder(0);
        store.calls.clear();
    }
    void TearDown() override {
        messages.Reset();
        QuillboxFixture::TearDown();
    }

    Variant Call(const std::u16string& name, const std::vector<Variant>& args = {}) {
        return CallByName(messages.Get(), name, args);
    }
    std::vector<std::string> Reads() const {
        std::vector<std::string> reads;
        for (const std::string& call : store.calls) {
            if (call.rfind("Read(", 0) == 0)
                reads.push_back(call);
        }
        return reads;
    }

    winpal::ComPtr<IDispatch> messages;
    TempDir dir;
};

TEST_F(MessageServicesTest, SourceIsReadInPiecesAndAddressesAreTakenFromIt) {
    EXPECT_EQ(TextOf(Call(u"GetMessage", {Variant::I4(1)})), store.folders[1].mail[1].source);
    EXPECT_EQ(store.calls.front(), "[1] OpenMessage(12, IStream)");
    EXPECT_EQ(Reads(), (std::vector<std::string>{"Read(4095) 4095", "Read(4095) 4095",
                                                 "Read(4095) 1810", "Read(4095) 0"}));
    EXPECT_EQ(TextOf(Call(u"FindReturnEmail", {Variant::I4(0)})), "ann@x.org");
    EXPECT_EQ(TextOf(Call(u"FindDeliveredToEmail", {Variant::I4(0)})), "bob@x.org\r\n");

    // A NUL byte ends its piece's text; the next piece is still appended.
    store.folders[1].mail[1].source[100] = '\0';
    const std::string source = store.folders[1].mail[1].source;
    EXPECT_EQ(TextOf(Call(u"GetMessage", {Variant::I4(1)})),
              source.substr(0, 100) + source.substr(4095, 4095) + source.substr(8190));

    // A failed read discards what was gathered; so does a message that cannot be opened.
    store.readFailsAfter = 5000;
    EXPECT_EQ(TextOf(Call(u"GetMessage", {Variant::I4(1)})), "");
    store.readFailsAfter = ~0u;
    store.answers["OpenMessage"] = E_FAIL;
    EXPECT_EQ(TextOf(Call(u"GetMessage", {Variant::I4(0)})), "");
    EXPECT_EQ(TextOf(Call(u"FindReturnEmail", {Variant::I4(0)})), "");
}

TEST_F(MessageServicesTest, Save2emlCopiesTheStoredBytes) {
    const std::filesystem::path file = dir.Path() / "saved.eml";
    WriteFile(file, std::string(20000, 'z'));  // replaced entirely
    const std::string ansi = winpal::AnsiFromPath(file);
    EXPECT_TRUE(BooleanOf(Call(u"Save2eml", {Variant::I4(1), Variant::Utf8(ansi)})));
    EXPECT_EQ(ReadFile(file), store.folders[1].mail[1].source);
    EXPECT_EQ(Reads(), (std::vector<std::string>{"Read(14095) 10000", "Read(14095) 0"}));

    // A failed read leaves what was written; a file that cannot be made answers False.
    store.readFailsAfter = 0;
    EXPECT_FALSE(BooleanOf(Call(u"Save2eml", {Variant::I4(1), Variant::Utf8(ansi)})));
    EXPECT_EQ(ReadFile(file), "");
    store.readFailsAfter = ~0u;
    EXPECT_FALSE(BooleanOf(Call(u"Save2eml", {Variant::I4(1), Variant::Utf8(ansi + "/no/x")})));
    store.answers["OpenMessage"] = E_FAIL;
    EXPECT_FALSE(BooleanOf(Call(u"Save2eml", {Variant::I4(0), Variant::Utf8(ansi)})));
}

class ViewMessageTest : public MessageServicesTest {
  protected:
    void SetUp() override {
        MessageServicesTest::SetUp();
        env.Set("TMP", dir.Path().string());
        env.Set("WINPAL_SHELL_OPEN", opener.string());
        WriteFile(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened.string() + "'\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    }
    // The .eml files in the temporary folder.
    std::vector<std::filesystem::path> ViewFiles() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            if (entry.path().extension() == ".eml")
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        return files;
    }
    // The opener's record once it has `lines` lines (waited for within a bound).
    std::string Opened(std::size_t lines) const {
        std::string text;
        for (int i = 0; i < 500; ++i) {
            text = ReadFile(opened);
            if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return text;
    }

    ScopedEnv env;
    TempDir openerDir;
    std::filesystem::path opener = openerDir.Path() / "opener.sh";
    std::filesystem::path opened = openerDir.Path() / "opened.txt";
};

TEST_F(ViewMessageTest, WritesANewTemporaryFileAndHandsItToTheDesktop) {
    EXPECT_TRUE(BooleanOf(Call(u"ViewMessage", {Variant::I4(0)})));
    EXPECT_TRUE(BooleanOf(Call(u"ViewMessage", {Variant::I4(1)})));
    std::vector<std::filesystem::path> files = ViewFiles();
    ASSERT_EQ(files.size(), 2u);
    const std::string& firstSource = store.folders[1].mail[0].source;
    // The file of the first call holds the first message's source.
    const std::filesystem::path firstFile = ReadFile(files[0]) == firstSource ? files[0] : files[1];
    EXPECT_EQ(ReadFile(firstFile), firstSource);
    EXPECT_EQ(Reads().front(), "Read(4095) " + std::to_string(firstSource.size()));
    // Each file went to the desktop's opener (which may have run in either order).
    const std::string record = Opened(2);
    for (const std::filesystem::path& file : files)
        EXPECT_NE(record.find("/" + file.filename().string() + "\n"), std::string::npos) << record;

    // Only the file written last goes with the collection.
    messages.Reset();
    site.reset();
    files = ViewFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], firstFile);
}

TEST_F(ViewMessageTest, NeverWritesThroughAnExistingNameAndRaisesFileErrors) {
    // Every name the view file can have is taken by a link to a file of the user's.
    const std::filesystem::path precious = openerDir.Path() / "precious.txt";
    WriteFile(precious, "keep");
    for (int number = 0; number < 1000; ++number)
        std::filesystem::create_symlink(precious, dir.Path() / (std::to_string(number) + ".eml"));
    EXPECT_FALSE(BooleanOf(Call(u"ViewMessage", {Variant::I4(0)})));
    EXPECT_EQ(ReadFile(precious), "keep");
    EXPECT_EQ(ReadFile(opened), "");

    env.Set("TMP", (dir.Path() / "missing").string());
    EXPECT_EQ(RaisedBy(messages.Get(), DispidOf(messages.Get(), u"ViewMessage"), DISPATCH_METHOD,
                       {Variant::I4(0)}),
              CTL_E_PATHNOTFOUND);
}

TEST_F(MessageServicesTest, AttachmentsAreTheMarkedBodiesThatBind) {
    EXPECT_EQ(NumberOf(Call(u"GetAttachmentCount", {Variant::I4(0)})), 3);
    EXPECT_EQ(Call(u"GetAttachmentCount", {Variant::I4(0)}).Type(), VT_I2);
    EXPECT_EQ(store.calls.front(), "[1] OpenMessage(11, IMimeMessage)");
    // Positions count in the list of marked bodies; one that does not bind has no name.
    const std::pair<LONG, const char*> names[] = {{0, "report.doc (12 KB)"},
                                                  {1, "../evil.txt"},
                                                  {2, ""},
                                                  {3, "photo.jpg"},
                                                  {4, ""},
                                                  {-1, ""}};
    for (const auto& [position, name] : names) {
        EXPECT_EQ(TextOf(Call(u"GetAttachmentName", {Variant::I4(0), Variant::I4(position)})), name)
            << position;
    }
    EXPECT_EQ(NumberOf(Call(u"GetAttachmentCount", {Variant::I4(1)})), 0);
    store.answers["OpenMessage"] = E_FAIL;
    EXPECT_EQ(NumberOf(Call(u"GetAttachmentCount", {Variant::I4(0)})), 0);
    EXPECT_FALSE(BooleanOf(Call(u"ExtractAttachment", {Variant::I4(0), Variant::Utf8("x")})));
}

TEST_F(MessageServicesTest, ExtractAttachmentSavesEachUnderTheOutputFolder) {
    const std::filesystem::path out = dir.Path() / "out";
    std::filesystem::create_directory(out);
    const std::string folder = winpal::AnsiFromPath(out) + "\\";
    EXPECT_TRUE(BooleanOf(Call(u"ExtractAttachment", {Variant::I4(0), Variant::Utf8(folder)})));
    EXPECT_EQ(ReadFile(out / "report.doc "), "R");
    EXPECT_EQ(ReadFile(out / "evil.txt"), "E");
    EXPECT_EQ(ReadFile(out / "photo.jpg"), "P");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 3);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "evil.txt"));
    EXPECT_NE(store.CallsText().find("SaveToFile(0, " + folder + "report.doc )"),
              std::string::npos);

    // Without a folder the drive's root; a folder without its final separator joins directly.
    const std::filesystem::path prefix = winpal::PrefixPath();
    EXPECT_TRUE(BooleanOf(Call(u"ExtractAttachment", {Variant::I4(0), Variant::Utf8("")})));
    EXPECT_EQ(ReadFile(prefix / "drive_c" / "photo.jpg"), "P");
    EXPECT_TRUE(BooleanOf(Call(u"ExtractAttachment", {Variant::I4(0), Variant::Utf8("D:\\out")})));
    EXPECT_EQ(ReadFile(prefix / "drive_d" / "outphoto.jpg"), "P");

    // A failed save is passed over.
    store.answers["SaveToFile"] = E_FAIL;
    EXPECT_TRUE(BooleanOf(Call(u"ExtractAttachment", {Variant::I4(0), Variant::Utf8(folder)})));
}

}  // namespace
}  // namespace testsupport
