// The messages collection: loading through the control's Folder property, the records and their
// properties, lookups, Refresh, and failures of the store walk.
#include <gtest/gtest.h>

#include "QuillboxFixture.h"
#include "messages/StoreTime.h"

#include <winpal/kernel.h>

#include <filesystem>

namespace testsupport {
namespace {

using winpal::Variant;

FILETIME TimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME system{year, month, 0, day, hour, minute, second, 0};
    FILETIME file{};
    SystemTimeToFileTime(&system, &file);
    return file;
}

class MessagesTest : public QuillboxFixture {
  protected:
    void SetUp() override {
        QuillboxFixture::SetUp();
        AddSampleTree();
        store.AddMessage(1, {11,
                             0,
                             "Ann",
                             "Bob",
                             "Hello",
                             TimeOf(2004, 7, 5, 9, 3, 7),
                             TimeOf(2004, 7, 4, 23, 59, 1),
                             1234,
                             {},
                             {}});
        store.AddMessage(1, {12, 0, "Cid", "Dee", "Other", {}, {}, 5, {}, {}});
        store.AddMessage(1, {13, 0, "Eve", "Fay", "Hello", {}, {}, 6, {}, {}});
        Open(true);
        messages = Messages();
    }
    void TearDown() override {
        messages.Reset();
        QuillboxFixture::TearDown();
    }

    Variant Call(const std::u16string& name, const std::vector<Variant>& args = {}) {
        return CallByName(messages.Get(), name, args);
    }
    LONG Count() { return NumberOf(Call(u"Count")); }

    winpal::ComPtr<IDispatch> messages;
};

TEST_F(MessagesTest, SelectingAFolderOpensItAndListsItsMessages) {
    SelectFolder(0);
    EXPECT_EQ(store.CallsText(),
              "OpenFolder(1, 0)\n"
              "[1] GetFirstMessage(0, 0, 4294967295)\n"
              "[1] FreeMessageProps(11)\n"
              "[1] GetNextMessage(h3, 0)\n"
              "[1] FreeMessageProps(12)\n"
              "[1] GetNextMessage(h3, 0)\n"
              "[1] FreeMessageProps(13)\n"
              "[1] GetNextMessage(h3, 0)\n"
              "[1] GetMessageClose(h3)\n");
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(Call(u"Count").Type(), VT_I2);
    EXPECT_EQ(NumberOf(Call(u"FindMessageID", {Variant::I4(0)})), 11);
    EXPECT_EQ(NumberOf(Call(u"FindMessageID", {Variant::I4(2)})), 13);
    EXPECT_EQ(NumberOf(Call(u"FindMessageID", {Variant::I4(3)})), 0);
    EXPECT_EQ(NumberOf(Call(u"FindMessageID", {Variant::I4(-1)})), 0);
}

TEST_F(MessagesTest, RecordsCarryTheStoresProperties) {
    SelectFolder(0);
    auto first = ObjectOf(Call(u"Item", {Variant::I4(1)}));
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"Subject")), "Hello");  // the normalised subject
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"ReceiveTime")), "2004/07/05 09:03:07");
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"SentTime")), "2004/07/04 23:59:01");
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"DisplayFrom")), "Ann");
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"DisplayTo")), "Bob");
    Variant size = CallByName(first.Get(), u"Size");
    EXPECT_EQ(size.Type(), VT_I4);
    EXPECT_EQ(size.Ptr()->lVal, 1234);
    // The record's properties and Count are read-only; Item and _NewEnum have no setter.
    for (DISPID id = 1; id <= 6; ++id)
        EXPECT_EQ(RaisedBy(first.Get(), id, DISPATCH_PROPERTYPUT, {Variant::I4(1)}),
                  CTL_E_SETNOTSUPPORTED)
            << id;
    EXPECT_EQ(RaisedBy(messages.Get(), 1, DISPATCH_PROPERTYPUT, {Variant::I4(1)}),
              CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(RaisedBy(messages.Get(), 22, DISPATCH_PROPERTYPUT, {Variant::I4(1)}),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(TextOf(CallByName(first.Get(), u"Subject")), "Hello");
}

TEST_F(MessagesTest, ItemTakesASubjectOrAOneBasedPosition) {
    SelectFolder(0);
    IDispatch* first = Call(u"Item", {Variant::I4(1)}).Ptr()->pdispVal;
    IDispatch* third = Call(u"Item", {Variant::I4(3)}).Ptr()->pdispVal;
    EXPECT_NE(first, third);
    EXPECT_EQ(Call(u"Item", {Variant::Utf8("Hello")}).Ptr()->pdispVal, first);
    EXPECT_EQ(Call(u"Item", {Variant::Utf8("hello")}).Ptr()->pdispVal, nullptr);
    EXPECT_EQ(Call(u"Item", {Variant::I4(0)}).Ptr()->pdispVal, nullptr);
    EXPECT_EQ(Call(u"Item", {Variant::I4(4)}).Ptr()->pdispVal, nullptr);
}

TEST_F(MessagesTest, AnIndexPastTheLastFolderOpensTheFolderWithThatId) {
    SelectFolder(9);
    EXPECT_EQ(store.calls.front(), "OpenFolder(9, 0)");
    EXPECT_EQ(NumberOf(CallByName(Control(), u"Folder")), 9);
}

TEST_F(MessagesTest, EmptyFolderAndFailedOpen) {
    SelectFolder(3);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Call(u"Item", {Variant::I4(1)}).Ptr()->pdispVal, nullptr);
    EXPECT_EQ(store.calls.back(), "[4] GetFirstMessage(0, 0, 4294967295)");  // nothing to close

    SelectFolder(0);
    EXPECT_EQ(Count(), 3);
    store.answers["OpenFolder"] = E_FAIL;
    store.calls.clear();
    SelectFolder(0);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(store.calls, std::vector<std::string>{"OpenFolder(1, 0)"});
}

TEST_F(MessagesTest, FailedWalkKeepsTheMessagesReadSoFar) {
    store.answers["GetNextMessage"] = E_FAIL;
    SelectFolder(0);
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(store.calls.back(), "[1] GetMessageClose(h3)");
}

TEST_F(MessagesTest, RefreshReloadsTheSelectedFolder) {
    SelectFolder(0);
    store.AddMessage(1, Mail(14, 0, "New"));
    EXPECT_EQ(Count(), 3);
    store.calls.clear();
    Call(u"Refresh");
    EXPECT_EQ(Count(), 4);
    EXPECT_EQ(store.calls.front(), "OpenFolder(1, 0)");
    // CreateMessage elsewhere neither reloads the list nor changes Folder.
    EXPECT_TRUE(BooleanOf(CallByName(Folders().Get(), u"CreateMessage",
                                     {Variant::I4(3), Variant::Utf8("a"), Variant::Utf8("b"),
                                      Variant::Utf8("c"), Variant::Utf8("d")})));
    EXPECT_EQ(Count(), 4);
    EXPECT_EQ(NumberOf(CallByName(Control(), u"Folder")), 0);
}

TEST_F(MessagesTest, EnumerationSurvivesSelectingAnotherFolder) {
    SelectFolder(0);
    Variant enumerator;
    ASSERT_EQ(
        winpal::DispatchCall(messages.Get(), DISPID_NEWENUM, DISPATCH_PROPERTYGET, {}, &enumerator),
        S_OK);
    winpal::ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(
        winpal::ComPtr<IUnknown>::Share(enumerator.Ptr()->punkVal).As(IID_IEnumVARIANT, &items),
        S_OK);
    VARIANT slots[3];
    ULONG fetched = 0;
    ASSERT_EQ(items->Next(1, slots, &fetched), S_OK);
    VariantClear(&slots[0]);
    SelectFolder(3);
    EXPECT_EQ(Count(), 0);
    ASSERT_EQ(items->Next(3, slots, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(TextOf(CallByName(slots[0].pdispVal, u"Subject")), "Other");
    EXPECT_EQ(TextOf(CallByName(slots[1].pdispVal, u"Subject")), "Hello");
    for (VARIANT& slot : slots)
        VariantClear(&slot);
}

TEST_F(MessagesTest, FindersReadTheRecordAtAZeroBasedPosition) {
    SelectFolder(0);
    EXPECT_EQ(TextOf(Call(u"FindSubject", {Variant::I4(1)})), "Other");
    EXPECT_EQ(TextOf(Call(u"FindDisplayFrom", {Variant::I4(0)})), "Ann");
    EXPECT_EQ(TextOf(Call(u"FindDisplayTo", {Variant::I4(2)})), "Fay");
    EXPECT_EQ(TextOf(Call(u"FindReceiveTime", {Variant::I4(0)})), "2004/07/05 09:03:07");
    EXPECT_EQ(TextOf(Call(u"FindSentDay", {Variant::I4(0)})), "2004/07/04 23:59:01");
    EXPECT_EQ(NumberOf(Call(u"FindSize", {Variant::I4(0)})), 1234);
    // The first record with the subject, compared exactly; no match answers 0 as well.
    EXPECT_EQ(NumberOf(Call(u"FindIndexFromSubject", {Variant::Utf8("Other")})), 1);
    EXPECT_EQ(NumberOf(Call(u"FindIndexFromSubject", {Variant::Utf8("Hello")})), 0);
    EXPECT_EQ(NumberOf(Call(u"FindIndexFromSubject", {Variant::Utf8("other")})), 0);
    EXPECT_EQ(NumberOf(Call(u"FindIndexFromSubject", {Variant::Utf8("None")})), 0);
}

// Every member that takes a position answers empty, 0 or False for one without a record, and
// asks the store nothing.
TEST_F(MessagesTest, APositionWithoutARecordAnswersEmptyAndCallsNothing) {
    SelectFolder(0);
    store.calls.clear();
    struct Member {
        const char16_t* name;
        VARTYPE type;
        bool secondArgument;
    };
    const Member members[] = {
        {u"FindReturnEmail", VT_BSTR, false},  {u"FindDeliveredToEmail", VT_BSTR, false},
        {u"FindMessageID", VT_I4, false},      {u"MarkMessagesAsRead", VT_BOOL, true},
        {u"DeleteMessage", VT_BOOL, false},    {u"IsMessagesMarkAsRead", VT_BOOL, false},
        {u"GetMessage", VT_BSTR, false},       {u"FindDisplayFrom", VT_BSTR, false},
        {u"FindDisplayTo", VT_BSTR, false},    {u"FindReceiveTime", VT_BSTR, false},
        {u"FindSentDay", VT_BSTR, false},      {u"FindSize", VT_I4, false},
        {u"FindSubject", VT_BSTR, false},      {u"ExtractAttachment", VT_BOOL, true},
        {u"GetAttachmentCount", VT_I2, false}, {u"GetAttachmentName", VT_BSTR, true},
        {u"Save2eml", VT_BOOL, true},          {u"ViewMessage", VT_BOOL, false},
    };
    for (const Member& member : members) {
        for (LONG position : {-1, 3, 40000}) {
            std::vector<Variant> args{Variant::I4(position)};
            if (member.secondArgument)
                args.push_back(member.type == VT_BSTR ? Variant::I4(0) : Variant::Utf8("x"));
            if (std::u16string(member.name) == u"MarkMessagesAsRead")
                args.back() = Variant::Bool(true);
            Variant result = Call(member.name, args);
            SCOPED_TRACE(winpal::Utf16ToUtf8(member.name) + " " + std::to_string(position));
            ASSERT_EQ(result.Type(), member.type);
            Variant zero;
            ASSERT_EQ(VariantChangeType(zero.Ptr(), result.Ptr(), 0, VT_I4),
                      member.type == VT_BSTR ? DISP_E_TYPEMISMATCH : S_OK);
            if (member.type == VT_BSTR)
                EXPECT_EQ(TextOf(result), "");
            else
                EXPECT_EQ(zero.Ptr()->lVal, 0);
        }
    }
    EXPECT_EQ(store.CallsText(), "");
    EXPECT_FALSE(std::filesystem::exists("x"));
}

TEST_F(MessagesTest, MarkingProbingAndDeletingGoToTheCurrentFolder) {
    store.folders[1].mail[0].flags = MSG_UNREAD;
    SelectFolder(0);
    store.calls.clear();
    const std::string list = std::to_string(sizeof(MESSAGEIDLIST)) + ":";

    // The probe marks an unread message read, finds that it changed, and marks it unread again.
    EXPECT_FALSE(BooleanOf(Call(u"IsMessagesMarkAsRead", {Variant::I4(0)})));
    EXPECT_TRUE(BooleanOf(Call(u"IsMessagesMarkAsRead", {Variant::I4(1)})));
    EXPECT_EQ(store.CallsText(), "[1] MarkMessagesAsRead(1, 0, " + list + "11)\n" +
                                     "[1] MarkMessagesAsRead(0, 0, " + list + "11)\n" +
                                     "[1] MarkMessagesAsRead(1, 0, " + list + "12)\n");
    EXPECT_EQ(store.folders[1].mail[0].flags, MSG_UNREAD);

    // Marking answers True whether or not the state changed, False when the store fails.
    EXPECT_TRUE(BooleanOf(Call(u"MarkMessagesAsRead", {Variant::I4(0), Variant::Bool(true)})));
    EXPECT_EQ(store.folders[1].mail[0].flags, 0u);
    EXPECT_TRUE(BooleanOf(Call(u"MarkMessagesAsRead", {Variant::I4(0), Variant::Bool(true)})));
    EXPECT_TRUE(BooleanOf(Call(u"IsMessagesMarkAsRead", {Variant::I4(0)})));
    store.answers["MarkMessagesAsRead"] = E_FAIL;
    EXPECT_FALSE(BooleanOf(Call(u"MarkMessagesAsRead", {Variant::I4(0), Variant::Bool(false)})));

    // Deleting answers True for S_OK only, and the list keeps the record until Refresh.
    store.calls.clear();
    EXPECT_TRUE(BooleanOf(Call(u"DeleteMessage", {Variant::I4(2)})));
    EXPECT_EQ(store.calls.back(), "[1] DeleteMessages(" + list + "13, 0, null)");
    EXPECT_EQ(Count(), 3);
    store.answers["DeleteMessages"] = S_FALSE;
    EXPECT_FALSE(BooleanOf(Call(u"DeleteMessage", {Variant::I4(2)})));

    // Once the folders collection's CreateMessage opened another folder, the listed ids go there.
    store.answers.clear();
    CallByName(Folders().Get(), u"CreateMessage",
               {Variant::I4(3), Variant::Utf8("a"), Variant::Utf8("b"), Variant::Utf8("c"),
                Variant::Utf8("d")});
    EXPECT_TRUE(BooleanOf(Call(u"DeleteMessage", {Variant::I4(0)})));
    EXPECT_EQ(store.calls.back(), "[4] DeleteMessages(" + list + "11, 0, null)");
}

TEST(StoreTimeTest, TextOfAStoreTime) {
    EXPECT_EQ(StoreTimeText(TimeOf(2004, 7, 5, 9, 3, 7)), "2004/07/05 09:03:07");
    EXPECT_EQ(StoreTimeText(TimeOf(1999, 12, 31, 23, 59, 59)), "1999/12/31 23:59:59");
    EXPECT_EQ(StoreTimeText(FILETIME{0, 0}), "1601/01/01 00:00:00");
    // Times the conversions refuse read -1 in every field: one past the file-time range, and
    // one (in the year 30828) past the variant-date range.
    EXPECT_EQ(StoreTimeText(FILETIME{0, 0x80000000u}), "-1/-1/-1 -1:-1:-1");
    EXPECT_EQ(StoreTimeText(FILETIME{0xFFFFFFFFu, 0x7FFFFFFFu}), "-1/-1/-1 -1:-1:-1");
}

}  // namespace
}  // namespace testsupport
