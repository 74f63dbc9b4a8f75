// Messages through IStoreFolder and the namespace: store, list, open, delete, copy, move and
// mark; a mailbox replaced behind the store's back; damaged files.
#include <algorithm>
#include <chrono>
#include <utility>

#include <mimeole/mimeole.h>

#include "bytes.h"
#include "dbx_test_util.h"
#include "store_test_util.h"

namespace storetest {
namespace {

const std::string kText =
    "From: Ann Smith <ann@example.com>\r\nTo: Bob <bob@example.com>\r\n"
    "Subject: Re: Lunch\r\nDate: Mon, 5 Jul 2004 09:03:07 +0000\r\n\r\nSee you at noon.\r\n";

class StoreMessages : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        store_ = Store();
        ASSERT_TRUE(store_);
        root_ = Directory(store_.Get());
        ASSERT_EQ(store_->CreateFolder(FOLDERID_ROOT, "Mail", 0, &mailId_), S_OK);
        mail_ = Open(store_.Get(), mailId_);
        ASSERT_TRUE(mail_);
    }
    void TearDown() override {
        mail_.Reset();
        store_.Reset();
        StoreTest::TearDown();
    }
    FOLDERPROPS MailProps() { return Child(store_.Get(), FOLDERID_ROOT, "Mail"); }

    ComPtr<IStoreNamespace> store_;
    std::filesystem::path root_;
    STOREFOLDERID mailId_ = 0;
    ComPtr<IStoreFolder> mail_;
};

TEST_F(StoreMessages, StoredTextIsListedAndReadBackByteForByte) {
    const MESSAGEID id = Add(mail_.Get(), kText);
    const auto messages = Messages(mail_.Get());
    ASSERT_EQ(messages.size(), 1u);
    const Message& message = messages[0];
    EXPECT_EQ(message.id, id);
    EXPECT_EQ(message.size, kText.size());
    EXPECT_EQ(message.subject, "Re: Lunch");
    EXPECT_EQ(message.normalSubject, "Lunch");
    EXPECT_EQ(message.from, "Ann Smith");
    EXPECT_EQ(message.to, "Bob");
    EXPECT_EQ(message.state, 0u);  // stored without MSG_UNREAD: read
    EXPECT_EQ(message.flags, message.state);
    SYSTEMTIME sent{};
    ASSERT_TRUE(FileTimeToSystemTime(&message.sent, &sent));
    EXPECT_EQ(sent.wYear, 2004);
    EXPECT_EQ(sent.wHour, 9);
    EXPECT_EQ(Read(mail_.Get(), id), kText);
    EXPECT_EQ(MailProps().cMessage, 1u);
}

TEST_F(StoreMessages, ControlStyleMessageWithoutMimeHeadersIsStoredUnchanged) {
    const std::string text = "From: x\r\nTo:y\r\nSubject:s\r\n\r\nb";
    const MESSAGEID id = Add(mail_.Get(), text);
    EXPECT_EQ(Read(mail_.Get(), id), text);
    const auto messages = Messages(mail_.Get());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].subject, "s");
}

TEST_F(StoreMessages, CommitNeedsTheStreamAndIdThatCreateStreamGave) {
    ComPtr<IStream> stream;
    MESSAGEID id = 0;
    ASSERT_EQ(mail_->CreateStream(nullptr, 0, stream.Put(), &id), S_OK);
    ULONG written = 0;
    ASSERT_EQ(stream->Write("x", 1, &written), S_OK);
    EXPECT_EQ(mail_->CommitStream(nullptr, 0, 0, stream.Get(), id + 1, nullptr), E_INVALIDARG);
    ComPtr<IStream> foreign;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, foreign.Put()), S_OK);
    EXPECT_EQ(mail_->CommitStream(nullptr, 0, 0, foreign.Get(), id, nullptr), E_INVALIDARG);
    EXPECT_EQ(mail_->CommitStream(nullptr, 0, 0, stream.Get(), id, nullptr), S_OK);
    EXPECT_EQ(mail_->CommitStream(nullptr, 0, 0, stream.Get(), id, nullptr), E_INVALIDARG);
    EXPECT_EQ(Messages(mail_.Get()).size(), 1u);
}

TEST_F(StoreMessages, OpenMessageRefusesOtherInterfacesAndChecksTheId) {
    const MESSAGEID id = Add(mail_.Get(), kText);
    ComPtr<IUnknown> other;
    EXPECT_EQ(mail_->OpenMessage(id, IID_IDispatch, other.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(other.Get(), nullptr);
    ComPtr<IStream> stream;
    EXPECT_EQ(mail_->OpenMessage(id + 100, IID_IStream, stream.PutVoid()), E_INVALIDARG);
    EXPECT_EQ(mail_->OpenMessage(id, IID_IStream, nullptr), E_INVALIDARG);
    ComPtr<IMimeMessage> parsed;
    EXPECT_EQ(mail_->OpenMessage(id + 100, IID_IMimeMessage, parsed.PutVoid()), E_INVALIDARG);
    EXPECT_EQ(parsed.Get(), nullptr);
}

// The same stored message as its text and parsed; the parsed message keeps the store's library
// loaded after the store itself is gone.
TEST_F(StoreMessages, OpenMessageGivesTheTextAndTheParsedMessage) {
    const std::string text =
        "From: a@example.com\r\nSubject: files\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
        "--b\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0=\r\n--b--\r\n";
    const MESSAGEID id = Add(mail_.Get(), text);
    EXPECT_EQ(Read(mail_.Get(), id), text);
    ComPtr<IMimeMessage> parsed;
    ASSERT_EQ(mail_->OpenMessage(id, IID_IMimeMessage, parsed.PutVoid()), S_OK);
    mail_.Reset();
    store_.Reset();
    CoFreeUnusedLibraries();

    ULONG count = 0;
    HBODY* bodies = nullptr;
    ASSERT_EQ(parsed->GetAttachments(&count, &bodies), S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(parsed->IsBodyType(bodies[0], IBT_ATTACHMENT), S_OK);
    ComPtr<IMimeBody> body;
    ASSERT_EQ(parsed->BindToObject(bodies[0], IID_IMimeBody, body.PutVoid()), S_OK);
    CoTaskMemFree(bodies);
    const std::filesystem::path saved = prefix_->Path() / "a.pdf";
    ASSERT_EQ(body->SaveToFile(IET_BINARY, winpal::AnsiFromPath(saved).c_str()), S_OK);
    EXPECT_EQ(testsupport::ReadFile(saved), "%PDF-");
}

TEST_F(StoreMessages, MarkAsReadAnswersSOkOnlyWhenTheStateChanged) {
    const MESSAGEID id = Add(mail_.Get(), kText, MSG_UNREAD);
    std::vector<MESSAGEID> ids{id};
    MESSAGEIDLIST list = List(ids);
    EXPECT_EQ(MailProps().cUnread, 1u);
    EXPECT_EQ(mail_->MarkMessagesAsRead(TRUE, 0, &list), S_OK);
    EXPECT_EQ(mail_->MarkMessagesAsRead(TRUE, 0, &list), S_FALSE);
    EXPECT_EQ(MailProps().cUnread, 0u);
    EXPECT_EQ(mail_->MarkMessagesAsRead(FALSE, 0, &list), S_OK);
    EXPECT_EQ(mail_->MarkMessagesAsRead(FALSE, 0, &list), S_FALSE);
    EXPECT_EQ(Messages(mail_.Get())[0].state & MSG_UNREAD, MSG_UNREAD);
    EXPECT_EQ(MailProps().cUnread, 1u);

    MESSAGEIDLIST badSize = list;
    badSize.cbSize = 12;
    EXPECT_EQ(mail_->MarkMessagesAsRead(TRUE, 0, &badSize), E_INVALIDARG);
}

TEST_F(StoreMessages, GetMessagePropsAndFreeMessageProps) {
    const MESSAGEID id = Add(mail_.Get(), kText, MSG_UNREAD | MSG_FLAGGED);
    MESSAGEPROPS props{};
    props.cbSize = sizeof props;
    ASSERT_EQ(mail_->GetMessageProps(id, MSGPROPS_FAST, &props), S_OK);
    EXPECT_EQ(props.dwFlags, static_cast<DWORD>(MSG_UNREAD | MSG_FLAGGED));
    EXPECT_STREQ(props.pszNormalSubject, "Lunch");
    EXPECT_EQ(mail_->FreeMessageProps(&props), S_OK);
    EXPECT_EQ(props.pszSubject, nullptr);
    props.cbSize = 68;
    EXPECT_EQ(mail_->GetMessageProps(id, 0, &props), E_INVALIDARG);
    props.cbSize = sizeof props;
    EXPECT_EQ(mail_->GetMessageProps(id + 7, 0, &props), E_INVALIDARG);
}

TEST_F(StoreMessages, DeleteRemovesOnlyTheListedMessages) {
    const MESSAGEID a = Add(mail_.Get(), kText);
    const MESSAGEID b = Add(mail_.Get(), kText + "b\r\n");
    std::vector<MESSAGEID> ids{a};
    MESSAGEIDLIST list = List(ids);
    EXPECT_EQ(mail_->DeleteMessages(&list, 0, nullptr), S_OK);
    const auto messages = Messages(mail_.Get());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, b);
    EXPECT_EQ(mail_->DeleteMessages(&list, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(MailProps().cMessage, 1u);
}

TEST_F(StoreMessages, CopyAndMoveKeepTheStateWhenTheFlagComplementIsRemoved) {
    STOREFOLDERID otherId = 0;
    ASSERT_EQ(store_->CreateFolder(FOLDERID_ROOT, "Other", 0, &otherId), S_OK);
    ComPtr<IStoreFolder> other = Open(store_.Get(), otherId);
    const MESSAGEID unread = Add(mail_.Get(), kText, MSG_UNREAD | MSG_FLAGGED);
    const MESSAGEID read = Add(mail_.Get(), kText + "read\r\n");

    // What the control does: read the flags, remove their complement.
    MESSAGEPROPS props{};
    props.cbSize = sizeof props;
    ASSERT_EQ(mail_->GetMessageProps(unread, MSGPROPS_FAST, &props), S_OK);
    const DWORD flags = props.dwFlags;
    mail_->FreeMessageProps(&props);
    std::vector<MESSAGEID> ids{unread};
    MESSAGEIDLIST list = List(ids);
    ASSERT_EQ(store_->CopyMoveMessages(mail_.Get(), other.Get(), &list, 0, ~flags, nullptr), S_OK);
    auto copied = Messages(other.Get());
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0].state, static_cast<DWORD>(MSG_UNREAD | MSG_FLAGGED));
    EXPECT_EQ(Read(other.Get(), copied[0].id), kText);
    EXPECT_EQ(Messages(mail_.Get()).size(), 2u);

    // Removing MSG_UNREAD marks the copy read; a move leaves nothing behind.
    ids = {read};
    list = List(ids);
    ASSERT_EQ(store_->CopyMoveMessages(mail_.Get(), other.Get(), &list, 1, MSG_UNREAD, nullptr),
              S_OK);
    EXPECT_EQ(Messages(mail_.Get()).size(), 1u);
    copied = Messages(other.Get());
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(Read(other.Get(), copied[1].id), kText + "read\r\n");
    EXPECT_EQ(Child(store_.Get(), FOLDERID_ROOT, "Other").cMessage, 2u);
    EXPECT_EQ(MailProps().cMessage, 1u);

    // A missing id changes nothing.
    ids = {unread, 999};
    list = List(ids);
    EXPECT_EQ(store_->CopyMoveMessages(mail_.Get(), other.Get(), &list, 1, 0, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(Messages(mail_.Get()).size(), 1u);
    EXPECT_EQ(Messages(other.Get()).size(), 2u);
    EXPECT_EQ(store_->CopyMoveMessages(mail_.Get(), nullptr, &list, 0, 0, nullptr), E_INVALIDARG);
}

TEST_F(StoreMessages, MailboxReplacedBehindTheStoreIsReadAgain) {
    Add(mail_.Get(), kText);
    Add(mail_.Get(), kText);
    EXPECT_EQ(MailProps().cMessage, 2u);
    // What the import does: empty the new folder's file and write another mailbox into it.
    const std::string sample = testsupport::ReadFile(dbxtest::Sample("Inbox.dbx"));
    testsupport::WriteFile(root_ / "Mail.dbx", sample);
    const auto messages = Messages(mail_.Get());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(Read(mail_.Get(), messages[0].id).empty());
    // The sample's own user data names the Inbox (id 4); it still opens as this folder.
    const FOLDERPROPS props = MailProps();
    EXPECT_EQ(props.dwFolderId, mailId_);
    EXPECT_EQ(props.cMessage, 1u);
    ComPtr<IStoreFolder> again = Open(store_.Get(), mailId_);
    EXPECT_EQ(Messages(again.Get()).size(), 1u);
}

// The message with `id` marked read in the file's bytes alone: the header is not touched.
void MarkReadInPlace(const std::filesystem::path& file, uint32_t id) {
    const uint32_t record = dbx::MessageFile::Open(file).Find(id)->record_address;
    std::string bytes = testsupport::ReadFile(file);
    for (uint32_t k = 0; k < static_cast<uint8_t>(bytes[record + 10]); ++k) {
        uint8_t* entry = dbx::Bytes(bytes) + record + 12 + 4 * k;
        if (entry[0] == (0x80 | dbx::msgcol::kFlags))
            dbx::StoreU32(entry, dbx::LoadU32(entry) | (dbx::msgflag::kRead << 8));
    }
    testsupport::WriteFile(file, bytes);
}

// The counts live in each folder's Folders.dbx record. A store opened later takes them as they
// are while the mailbox file is in the state they were counted from, and counts again when the
// file's size, modification time or header changed.
TEST_F(StoreMessages, MailboxesAreCountedAgainOnlyWhenTheirFileChanged) {
    const std::string unread = "Subject: unread\r\n\r\nbody\r\n";
    const MESSAGEID first = Add(mail_.Get(), unread, MSG_UNREAD);
    Add(mail_.Get(), unread, MSG_UNREAD);
    Add(mail_.Get(), kText);
    auto counts = [&] {
        const FOLDERPROPS props = Child(Store().Get(), FOLDERID_ROOT, "Mail");
        return std::make_pair(props.cMessage, props.cUnread);
    };
    using Counts = std::pair<DWORD, DWORD>;
    EXPECT_EQ(counts(), (Counts{3, 2}));
    EXPECT_TRUE(std::filesystem::exists(root_ / "Folders.dbx.counts"));

    // A change that keeps the size, the header and the modification time is not seen: the
    // mailbox is not read again.
    const std::filesystem::path file = root_ / "Mail.dbx";
    const auto written = std::filesystem::last_write_time(file);
    MarkReadInPlace(file, first);
    std::filesystem::last_write_time(file, written);
    EXPECT_EQ(counts(), (Counts{3, 2}));
    // Its modification time tells.
    std::filesystem::last_write_time(file, written + std::chrono::seconds(1));
    EXPECT_EQ(counts(), (Counts{3, 1}));

    // A file replaced by another program, as the import does.
    const std::filesystem::path other = root_.parent_path() / "Other.dbx";
    dbxtest::WriteMailbox(other, 7);  // ids 2, 5 and 8 unread
    std::filesystem::rename(other, file);
    EXPECT_EQ(counts(), (Counts{7, 3}));

    // The same size and modification time, but the header counters moved: a copy with one more
    // message read through the library, written over the file in place.
    const std::string before = testsupport::ReadFile(file);
    testsupport::WriteFile(other, before);
    {
        dbx::MessageFile copy = dbx::MessageFile::Open(other, dbxtest::Writable());
        std::vector<uint32_t> ids{2};
        copy.SetFlags(ids, dbx::msgflag::kRead, 0);
    }
    const std::string after = testsupport::ReadFile(other);
    ASSERT_EQ(after.size(), before.size());
    const auto stamp = std::filesystem::last_write_time(file);
    testsupport::WriteFile(file, after);
    std::filesystem::last_write_time(file, stamp);
    EXPECT_EQ(counts(), (Counts{7, 2}));

    // A damaged or missing count file only means counting again.
    testsupport::WriteFile(root_ / "Folders.dbx.counts", "garbage");
    EXPECT_EQ(counts(), (Counts{7, 2}));
    std::filesystem::remove(file);
    EXPECT_EQ(counts(), (Counts{0, 0}));
}

TEST_F(StoreMessages, DamagedOrForeignMailboxGivesErrorsNotCrashes) {
    Add(mail_.Get(), kText);
    const std::string sample = testsupport::ReadFile(dbxtest::Sample("Inbox.dbx"));
    MESSAGEPROPS props{};
    props.cbSize = sizeof props;
    HENUMSTORE walk = nullptr;
    ComPtr<IStoreFolder> folder;
    for (size_t cut : {size_t{0}, size_t{100}, size_t{0x24BC}}) {
        testsupport::WriteFile(root_ / "Mail.dbx", sample.substr(0, cut));
        EXPECT_TRUE(FAILED(mail_->GetFirstMessage(0, 0, MESSAGEID_FIRST, &props, &walk))) << cut;
        EXPECT_TRUE(FAILED(store_->OpenFolder(mailId_, 0, folder.Put()))) << cut;
        // The folder walk goes on, with the counts Folders.dbx had.
        EXPECT_EQ(SubFolders(store_.Get(), FOLDERID_ROOT).size(), 6u);
    }
    // Half a file, or one with garbage over its middle, may still give some messages; whatever
    // it gives, every call returns.
    std::string garbled = sample;
    std::fill(garbled.begin() + 0x2AD4, garbled.begin() + 0x2AD4 + 4096, '\xFF');
    for (const std::string& bytes : {sample.substr(0, sample.size() / 2), garbled}) {
        testsupport::WriteFile(root_ / "Mail.dbx", bytes);
        if (SUCCEEDED(store_->OpenFolder(mailId_, 0, folder.Put()))) {
            for (const Message& message : Messages(folder.Get())) {
                ComPtr<IStream> stream;
                folder->OpenMessage(message.id, IID_IStream, stream.PutVoid());
            }
        }
    }
    testsupport::WriteFile(root_ / "Mail.dbx",
                           testsupport::ReadFile(dbxtest::Sample("Offline.dbx")));
    EXPECT_TRUE(FAILED(store_->OpenFolder(mailId_, 0, folder.Put())));
    // Writing the file back makes the folder usable again.
    testsupport::WriteFile(root_ / "Mail.dbx", sample);
    EXPECT_EQ(Messages(mail_.Get()).size(), 1u);
}

TEST_F(StoreMessages, MethodsNeedAnInitialisedNamespace) {
    ComPtr<IStoreNamespace> fresh = NewNamespace();
    ASSERT_TRUE(fresh);
    ComPtr<IStoreFolder> folder;
    EXPECT_EQ(fresh->OpenFolder(mailId_, 0, folder.Put()), MSOEAPI_E_STORE_INITIALIZE);
    EXPECT_EQ(fresh->CreateFolder(FOLDERID_ROOT, "X", 0, nullptr), MSOEAPI_E_STORE_INITIALIZE);
    EXPECT_EQ(fresh->CompactAll(0), MSOEAPI_E_STORE_INITIALIZE);
}

}  // namespace
}  // namespace storetest
