// The folders collection: list lookups, the folder operations' store calls and results, the
// message operations between folders, and enumeration across a Refresh.
#include <gtest/gtest.h>

#include "QuillboxFixture.h"

namespace testsupport {
namespace {

using winpal::Variant;

class FoldersTest : public QuillboxFixture {
  protected:
    // The sample tree, a second "A1" under B, and a folder named "2".
    void SetUp() override {
        QuillboxFixture::SetUp();
        AddSampleTree();
        store.AddFolder(4, 5, "A1");
        store.AddFolder(0, 6, "2");
        store.AddMessage(1, Mail(7, 0x12));
        Open(true);
        folders = Folders();
    }
    void TearDown() override {
        folders.Reset();
        QuillboxFixture::TearDown();
    }

    Variant Call(const std::u16string& name, const std::vector<Variant>& args = {}) {
        return CallByName(folders.Get(), name, args);
    }
    bool Ok(const std::u16string& name, const std::vector<Variant>& args) {
        return BooleanOf(Call(name, args));
    }
    // The name of what Item answers for `key`; empty for Nothing.
    std::string ItemName(const Variant& key) {
        Variant item = Call(u"Item", {key});
        if (item.Type() != VT_DISPATCH || !item.Ptr()->pdispVal)
            return {};
        return TextOf(CallByName(item.Ptr()->pdispVal, u"Name"));
    }
    LONG ItemId(const Variant& key) {
        Variant item = Call(u"Item", {key});
        for (LONG i = 0; i < NumberOf(Call(u"Count")); ++i) {
            Variant candidate = Call(u"Item", {Variant::I4(i + 1)});
            if (candidate.Ptr()->pdispVal == item.Ptr()->pdispVal)
                return NumberOf(Call(u"FindFolderID", {Variant::I4(i)}));
        }
        return -1;
    }

    winpal::ComPtr<IDispatch> folders;
};

TEST_F(FoldersTest, ItemTakesANameOrAOneBasedPosition) {
    EXPECT_EQ(NumberOf(Call(u"Count")), 6);
    EXPECT_EQ(ItemName(Variant::I4(1)), "A");
    EXPECT_EQ(ItemName(Variant::I2(2)), "A1");
    EXPECT_EQ(ItemName(Variant::R8(2.6)), "A2");  // rounds to 3
    EXPECT_EQ(ItemName(Variant::I4(6)), "2");     // Count: the last folder
    EXPECT_EQ(ItemName(Variant::I4(0)), "");
    EXPECT_EQ(ItemName(Variant::I4(-1)), "");
    EXPECT_EQ(ItemName(Variant::I4(7)), "");
    // A string of digits is a name, not a position.
    EXPECT_EQ(ItemId(Variant::Utf8("2")), 6);
    // Names compare exactly; of two equal names the earlier folder is found.
    EXPECT_EQ(ItemId(Variant::Utf8("A1")), 2);
    EXPECT_EQ(ItemName(Variant::Utf8("a1")), "");
    EXPECT_EQ(ItemName(Variant::Utf8("A1 ")), "");
    EXPECT_EQ(ItemName(Variant::Utf8("x")), "");
    EXPECT_EQ(ItemName(Variant()), "");  // empty coerces to 0
    // A string passed by reference is no name: it is coerced to a position.
    winpal::Bstr text = winpal::Bstr::FromUtf8("2");
    BSTR raw = text.Get();
    Variant byRef;
    byRef.Ptr()->vt = VT_BSTR | VT_BYREF;
    byRef.Ptr()->pbstrVal = &raw;
    EXPECT_EQ(ItemName(byRef), "A1");
    EXPECT_EQ(ItemName(Variant::Utf8("")), "");
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(FoldersTest, FindersTakeAZeroBasedPosition) {
    EXPECT_EQ(TextOf(Call(u"FindFolderName", {Variant::I4(0)})), "A");
    EXPECT_EQ(TextOf(Call(u"FindFolderName", {Variant::I4(5)})), "2");
    EXPECT_EQ(TextOf(Call(u"FindFolderName", {Variant::I4(6)})), "");
    EXPECT_EQ(TextOf(Call(u"FindFolderName", {Variant::I4(-1)})), "");
    EXPECT_EQ(NumberOf(Call(u"FindFolderID", {Variant::I4(0)})), 1);
    EXPECT_EQ(NumberOf(Call(u"FindFolderID", {Variant::I4(4)})), 5);
    EXPECT_EQ(NumberOf(Call(u"FindFolderID", {Variant::I4(6)})), 0);
    EXPECT_EQ(NumberOf(Call(u"FindFolderID", {Variant::I4(-1)})), 0);
    Variant count = Call(u"Count");
    EXPECT_EQ(count.Type(), VT_I2);
    EXPECT_EQ(Call(u"FindFolderID", {Variant::I4(0)}).Type(), VT_I4);
}

TEST_F(FoldersTest, ReadOnlyMembersCannotBeSet) {
    for (DISPID id : {1, 13, DISPID_NEWENUM})
        EXPECT_EQ(winpal::DispatchCall(folders.Get(), id, DISPATCH_PROPERTYPUT, {Variant::I4(1)}),
                  DISP_E_MEMBERNOTFOUND)
            << id;
    auto first = ObjectOf(Call(u"Item", {Variant::I4(1)}));
    EXPECT_EQ(winpal::DispatchCall(first.Get(), 1, DISPATCH_PROPERTYPUT, {Variant::Utf8("B")}),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"Name")), "A");
}

TEST_F(FoldersTest, FolderOperationsMakeOneStoreCallEach) {
    struct Case {
        std::u16string member;
        std::vector<Variant> args;
        std::string call;
        std::string method;
    };
    const std::vector<Case> cases = {
        {u"DeleteFolder", {Variant::I4(4)}, "DeleteFolder(4, 0)", "DeleteFolder"},
        {u"MoveFolder", {Variant::I4(2), Variant::I4(4)}, "MoveFolder(2, 4, 0)", "MoveFolder"},
        {u"RenameFolder",
         {Variant::Text(u"B\u00fcro"), Variant::I4(3)},
         "RenameFolder(3, 0, \"B\xFCro\")",
         "RenameFolder"},
        {u"CompactAll", {Variant::I4(7)}, "CompactAll(7)", "CompactAll"},
        {u"CreateFolder",
         {Variant::Utf8("Work"), Variant::I4(0)},
         "CreateFolder(0, \"Work\", 0)",
         "CreateFolder"},
    };
    for (const Case& c : cases) {
        for (HRESULT answer : {S_OK, S_FALSE, E_FAIL}) {
            store.calls.clear();
            store.answers[c.method] = answer;
            bool result = Ok(c.member, c.args);
            // CreateFolder is True only for exactly S_OK, the others for any success.
            bool expected = c.method == "CreateFolder" ? answer == S_OK : SUCCEEDED(answer);
            EXPECT_EQ(result, expected) << c.call << " answered " << answer;
            EXPECT_EQ(store.calls, std::vector<std::string>{c.call});
        }
    }
    // The list is a snapshot: it changes on Refresh only.
    EXPECT_EQ(NumberOf(Call(u"Count")), 6);
    store.AddFolder(0, 9, "Work");
    store.answers.clear();
    EXPECT_EQ(NumberOf(Call(u"Count")), 6);
    Call(u"Refresh");
    EXPECT_EQ(NumberOf(Call(u"Count")), 7);
    EXPECT_EQ(TextOf(Call(u"FindFolderName", {Variant::I4(6)})), "Work");
}

TEST_F(FoldersTest, CreateMessageStoresExactlyTheBuiltText) {
    SelectFolder(0);
    store.calls.clear();
    ASSERT_TRUE(Ok(u"CreateMessage",
                   {Variant::I4(3), Variant::Utf8("x@a.example"), Variant::Utf8("y@b.example"),
                    Variant::Utf8("Hi there"), Variant::Utf8("line 1\r\nline 2")}));
    EXPECT_EQ(store.committed,
              "From: x@a.example\r\nTo:y@b.example\r\nSubject:Hi there\r\n\r\nline 1\r\nline 2");
    EXPECT_EQ(store.CallsText(),
              "OpenFolder(4, 0)\n"
              "[4] CreateStream(null, 0)\n"
              "Write(69)\n"
              "[4] CommitStream(null, 0, 0, stream, 500, null)\n");
    EXPECT_EQ(store.lastStream->AddRef(), 2u);  // the control let go of its reference
    store.lastStream->Release();
    // The new folder is now the current one; the messages list and Folder are as they were.
    EXPECT_EQ(NumberOf(CallByName(Messages().Get(), u"Count")), 1);
    EXPECT_EQ(NumberOf(CallByName(Control(), u"Folder")), 0);
    store.calls.clear();
    CallByName(folders.Get(), u"CopyMessage", {Variant::I4(7), Variant::I4(1)});
    EXPECT_EQ(store.calls.front(), "[4] GetMessageProps(7, 1)");
}

// A header text cannot add header lines: line breaks in it are folded into continuation lines
// and a NUL is refused. The body goes in as it is.
TEST_F(FoldersTest, CreateMessageKeepsEachHeaderTextOnItsOwnLine) {
    struct Case {
        const char* name;
        std::string from, to, subject;
        std::string stored;  // empty: refused
    };
    const std::string body = "Body\r\nBcc: stays in the body\r\n";
    const std::vector<Case> cases = {
        {"a subject that adds a Bcc line", "x@a.example", "y@b.example",
         "Hi\r\nBcc: victim@c.example",
         "From: x@a.example\r\nTo:y@b.example\r\nSubject:Hi\r\n Bcc: victim@c.example\r\n\r\n"},
        {"bare line feeds and carriage returns", "x@a.example\nReply-To: z@d.example",
         "y@b.example\rCc: w@e.example", "Hi",
         "From: x@a.example\r\n Reply-To: z@d.example\r\nTo:y@b.example\r\n Cc: w@e.example\r\n"
         "Subject:Hi\r\n\r\n"},
        {"an empty line that would end the header early", "x@a.example", "y@b.example",
         "Hi\r\n\r\nInjected body",
         "From: x@a.example\r\nTo:y@b.example\r\nSubject:Hi\r\n Injected body\r\n\r\n"},
        {"line breaks at either end", "\r\nx@a.example\r\n", "y@b.example\n", "\nHi",
         "From: x@a.example\r\nTo:y@b.example\r\nSubject:Hi\r\n\r\n"},
        {"a NUL in the subject", "x@a.example", "y@b.example", std::string("Hi\0Bcc: v", 10), ""},
        {"a NUL in the sender", std::string("x\0@a.example", 12), "y@b.example", "Hi", ""},
    };
    SelectFolder(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.committed.clear();
        store.calls.clear();
        const bool stored =
            Ok(u"CreateMessage", {Variant::I4(3), Variant::Utf8(c.from), Variant::Utf8(c.to),
                                  Variant::Utf8(c.subject), Variant::Utf8(body)});
        EXPECT_EQ(stored, !c.stored.empty());
        if (stored) {
            EXPECT_EQ(store.committed, c.stored + body);
        } else {
            EXPECT_TRUE(store.calls.empty()) << "a refused message changes nothing";
        }
    }
}

TEST_F(FoldersTest, CreateMessageFailures) {
    SelectFolder(0);
    const std::vector<Variant> args = {Variant::I4(6), Variant::Utf8("f"), Variant::Utf8("t"),
                                       Variant::Utf8("s"), Variant::Utf8("b")};
    // No folder at the index: nothing happens, the current folder stays.
    store.calls.clear();
    EXPECT_FALSE(Ok(u"CreateMessage", args));
    std::vector<Variant> negative = args;
    negative[0] = Variant::I4(-1);
    EXPECT_FALSE(Ok(u"CreateMessage", negative));
    EXPECT_TRUE(store.calls.empty());
    CallByName(folders.Get(), u"CopyMessage", {Variant::I4(7), Variant::I4(4)});
    EXPECT_EQ(store.calls.front(), "[1] GetMessageProps(7, 1)");

    std::vector<Variant> valid = args;
    valid[0] = Variant::I4(5);
    for (const char* failing : {"CreateStream", "Write", "CommitStream"}) {
        store.answers = {{failing, E_FAIL}};
        store.calls.clear();
        EXPECT_FALSE(Ok(u"CreateMessage", valid)) << failing;
        if (store.lastStream) {
            EXPECT_EQ(store.lastStream->AddRef(), 2u) << failing;
            store.lastStream->Release();
        }
        store.lastStream.Reset();
    }
    EXPECT_EQ(store.CallsText(),
              "OpenFolder(6, 0)\n"
              "[6] CreateStream(null, 0)\n"
              "Write(29)\n"
              "[6] CommitStream(null, 0, 0, stream, 500, null)\n");

    // A folder that cannot be opened leaves no current folder.
    store.answers = {{"OpenFolder", E_FAIL}};
    EXPECT_FALSE(Ok(u"CreateMessage", valid));
    store.answers.clear();
    store.calls.clear();
    EXPECT_FALSE(Ok(u"CopyMessage", {Variant::I4(7), Variant::I4(4)}));
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(FoldersTest, CopyMessageNeedsACurrentFolder) {
    EXPECT_FALSE(Ok(u"CopyMessage", {Variant::I4(7), Variant::I4(4)}));
    EXPECT_FALSE(Ok(u"MoveMessage", {Variant::I4(7), Variant::I4(4)}));
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(FoldersTest, CopyAndMoveKeepTheMessagesFlags) {
    SelectFolder(0);
    store.calls.clear();
    ASSERT_TRUE(Ok(u"CopyMessage", {Variant::I4(7), Variant::I4(4)}));
    std::string list = std::to_string(sizeof(MESSAGEIDLIST)) + ":7";
    EXPECT_EQ(store.CallsText(),
              "[1] GetMessageProps(7, 1)\n"
              "[1] FreeMessageProps(7)\n"
              "OpenFolder(4, 0)\n"
              "CopyMoveMessages([1], [4], " +
                  list + ", 0, FFFFFFED, null)\n");
    store.calls.clear();
    ASSERT_TRUE(Ok(u"MoveMessage", {Variant::I4(7), Variant::I4(6)}));
    EXPECT_EQ(store.calls.back(), "CopyMoveMessages([1], [6], " + list + ", 1, FFFFFFED, null)");
    // The list is not reloaded.
    EXPECT_EQ(NumberOf(CallByName(Messages().Get(), u"Count")), 1);

    store.answers = {{"CopyMoveMessages", S_FALSE}};
    EXPECT_FALSE(Ok(u"CopyMessage", {Variant::I4(7), Variant::I4(4)}));
    store.answers = {{"GetMessageProps", E_INVALIDARG}};
    store.calls.clear();
    EXPECT_FALSE(Ok(u"CopyMessage", {Variant::I4(8), Variant::I4(4)}));
    EXPECT_EQ(store.calls, std::vector<std::string>{"[1] GetMessageProps(8, 1)"});
    store.answers = {{"OpenFolder", E_FAIL}};
    store.calls.clear();
    EXPECT_FALSE(Ok(u"MoveMessage", {Variant::I4(7), Variant::I4(99)}));
    EXPECT_EQ(store.calls.back(), "OpenFolder(99, 0)");
}

TEST_F(FoldersTest, EnumerationWalksTheListItStartedWith) {
    Variant enumerator;
    ASSERT_EQ(
        winpal::DispatchCall(folders.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, &enumerator),
        S_OK);
    ASSERT_EQ(enumerator.Type(), VT_UNKNOWN);
    winpal::ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(
        winpal::ComPtr<IUnknown>::Share(enumerator.Ptr()->punkVal).As(IID_IEnumVARIANT, &items),
        S_OK);
    Variant first;
    ASSERT_EQ(items->Next(1, first.Ptr(), nullptr), S_OK);
    EXPECT_EQ(first.Ptr()->pdispVal, Call(u"Item", {Variant::I4(1)}).Ptr()->pdispVal);

    // Rebuild the list under the enumerator.
    store.folders.clear();
    store.folders[0] = {0, "", 0, {}, {}};
    store.AddFolder(0, 20, "Fresh");
    Call(u"Refresh");
    EXPECT_EQ(NumberOf(Call(u"Count")), 1);
    std::vector<std::string> rest;
    Variant item;
    while (items->Next(1, item.Ptr(), nullptr) == S_OK) {
        rest.push_back(TextOf(CallByName(item.Ptr()->pdispVal, u"Name")));
        VariantClear(item.Ptr());
    }
    EXPECT_EQ(rest, (std::vector<std::string>{"A1", "A2", "B", "A1", "2"}));
    ASSERT_EQ(items->Reset(), S_OK);
    ASSERT_EQ(items->Next(1, item.Ptr(), nullptr), S_OK);
    EXPECT_EQ(TextOf(CallByName(item.Ptr()->pdispVal, u"Name")), "Fresh");
}

}  // namespace
}  // namespace testsupport
