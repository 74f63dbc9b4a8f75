// The address book through its interfaces: allocations, the contents table, entries and their
// properties, entry ids, templates, one-off ids.
#include <cstring>

#include "wab_test_util.h"

namespace wabtest {
namespace {

TEST_F(BookTest, LinkedBlocksGoWithTheirParent) {
    IWABObject* wab = book_.wab.Get();
    LPVOID parent = nullptr;
    ASSERT_EQ(wab->AllocateBuffer(64, &parent), S_OK);
    std::memset(parent, 0xAB, 64);
    std::vector<LPVOID> linked(10);
    for (LPVOID& block : linked) {
        ASSERT_EQ(wab->AllocateMore(1000, parent, &block), S_OK);
        std::memset(block, 0xCD, 1000);
    }
    // A linked block cannot be freed on its own and cannot be a parent.
    EXPECT_EQ(wab->FreeBuffer(linked[3]), MAPI_E_INVALID_PARAMETER);
    LPVOID grandchild = nullptr;
    EXPECT_EQ(wab->AllocateMore(8, linked[0], &grandchild), MAPI_E_INVALID_PARAMETER);
    EXPECT_EQ(grandchild, nullptr);
    // Freeing the parent frees them all (the sanitizer build reports any block left over).
    EXPECT_EQ(wab->FreeBuffer(parent), S_OK);
    EXPECT_EQ(wab->FreeBuffer(nullptr), S_OK);
    LPVOID empty = nullptr;
    ASSERT_EQ(wab->AllocateBuffer(0, &empty), S_OK);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(wab->FreeBuffer(empty), S_OK);
}

TEST_F(BookTest, ContentsTableListsMailUsersAndDistributionListsByName) {
    const std::string carol = AddContact("Carol", "carol@example.org");
    const std::string team = Add(PR_DEF_CREATE_DL, {{PR_DISPLAY_NAME, "Team"}});
    const std::string alice = AddContact("alice", "alice@example.org");
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "alice");
    EXPECT_EQ(rows[0].objectType, MAPI_MAILUSER);
    EXPECT_EQ(rows[0].entryId, alice);
    EXPECT_EQ(rows[1].name, "Carol");
    EXPECT_EQ(rows[1].entryId, carol);
    EXPECT_EQ(rows[2].name, "Team");
    EXPECT_EQ(rows[2].objectType, MAPI_DISTLIST);
    ULONG type = 0;
    ComPtr<IMAPIProp> list = Open(team, &type);
    EXPECT_EQ(type, MAPI_DISTLIST);
    ComPtr<IDistList> asList;
    EXPECT_EQ(list.As(IID_IDistList, &asList), S_OK);
}

TEST_F(BookTest, TableColumnsTheRowLacksAreNotFoundErrors) {
    AddContact("No Mail");
    ComPtr<IMAPITable> table;
    ASSERT_EQ(Pab()->GetContentsTable(MAPI_UNICODE, table.Put()), S_OK);
    SizedSPropTagArray(3, columns) = {3, {PR_EMAIL_ADDRESS_W, PR_DISPLAY_NAME_W, PR_BIRTHDAY}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
    LPSRowSet set = nullptr;
    ASSERT_EQ(table->QueryRows(10, 0, &set), S_OK);
    WabMemory setMemory(book_.wab.Get(), set);
    ASSERT_EQ(set->cRows, 1u);
    WabMemory rowMemory(book_.wab.Get(), set->aRow[0].lpProps);
    const SPropValue* p = set->aRow[0].lpProps;
    ASSERT_EQ(set->aRow[0].cValues, 3u);
    EXPECT_EQ(p[0].ulPropTag, CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS, PT_UNICODE));
    EXPECT_EQ(winpal::Utf16ToUtf8(p[0].Value.lpszW), "");
    EXPECT_EQ(winpal::Utf16ToUtf8(p[1].Value.lpszW), "No Mail");
    EXPECT_EQ(p[2].ulPropTag, CHANGE_PROP_TYPE(PR_BIRTHDAY, PT_ERROR));
    EXPECT_EQ(p[2].Value.err, MAPI_E_NOT_FOUND);
    // Past the end: an empty row set, and seeking reports how far it went.
    LPSRowSet none = nullptr;
    ASSERT_EQ(table->QueryRows(1, 0, &none), S_OK);
    WabMemory noneMemory(book_.wab.Get(), none);
    EXPECT_EQ(none->cRows, 0u);
    LONG sought = 0;
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 5, &sought), S_OK);
    EXPECT_EQ(sought, 1);
    EXPECT_EQ(table->SeekRow(BOOKMARK_CURRENT, -3, &sought), S_OK);
    EXPECT_EQ(sought, -1);
}

TEST_F(BookTest, EntryIdsNameTheSameEntriesAfterReopening) {
    const std::string first = AddContact("First", "first@example.org");
    const std::string second = AddContact("Second", "second@example.org");
    Reopen();
    EXPECT_EQ(Text(Open(first).Get(), PR_EMAIL_ADDRESS), "first@example.org");
    EXPECT_EQ(Text(Open(second).Get(), PR_DISPLAY_NAME), "Second");
    // A deleted entry's id is never given to a new entry.
    SBinary id{static_cast<ULONG>(second.size()),
               reinterpret_cast<LPBYTE>(const_cast<char*>(second.data()))};
    ENTRYLIST list{1, &id};
    ASSERT_EQ(Pab()->DeleteEntries(&list, 0), S_OK);
    Reopen();
    const std::string third = AddContact("Third");
    EXPECT_NE(third, second);
    ComPtr<IUnknown> gone;
    ULONG type = 0;
    EXPECT_EQ(book_.book->OpenEntry(static_cast<ULONG>(second.size()),
                                    reinterpret_cast<LPENTRYID>(const_cast<char*>(second.data())),
                                    nullptr, 0, &type, gone.Put()),
              MAPI_E_NOT_FOUND);
    EXPECT_EQ(Pab()->DeleteEntries(&list, 0), MAPI_W_PARTIAL_COMPLETION);
}

TEST_F(BookTest, NothingIsStoredBeforeSaveChanges) {
    std::string tpl = Template(PR_DEF_CREATE_MAILUSER);
    ComPtr<IMAPIProp> entry;
    ASSERT_EQ(Pab()->CreateEntry(static_cast<ULONG>(tpl.size()),
                                 reinterpret_cast<LPENTRYID>(tpl.data()), 0, entry.Put()),
              S_OK);
    SPropValue name = Narrow(PR_DISPLAY_NAME, "Pending");
    ASSERT_EQ(entry->SetProps(1, &name, nullptr), S_OK);
    EXPECT_TRUE(Rows().empty());
    ASSERT_EQ(entry->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(Rows().size(), 1u);
    // A later change waits for the next SaveChanges too.
    SPropValue renamed = Narrow(PR_DISPLAY_NAME, "Saved");
    ASSERT_EQ(entry->SetProps(1, &renamed, nullptr), S_OK);
    EXPECT_EQ(Rows()[0].name, "Pending");
    ASSERT_EQ(entry->SaveChanges(0), S_OK);
    EXPECT_EQ(Rows()[0].name, "Saved");
}

TEST_F(BookTest, ContainerGivesTheTemplatesInTheOrderAsked) {
    SizedSPropTagArray(2, tags) = {2, {PR_DEF_CREATE_MAILUSER, PR_DEF_CREATE_DL}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    ASSERT_EQ(Pab()->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values), S_OK);
    WabMemory memory(book_.wab.Get(), values);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(values[0].ulPropTag, PR_DEF_CREATE_MAILUSER);
    EXPECT_EQ(values[1].ulPropTag, PR_DEF_CREATE_DL);
    EXPECT_NE(
        std::string(reinterpret_cast<char*>(values[0].Value.bin.lpb), values[0].Value.bin.cb),
        std::string(reinterpret_cast<char*>(values[1].Value.bin.lpb), values[1].Value.bin.cb));
    // Asked the other way round, they come the other way round.
    SizedSPropTagArray(2, reversed) = {2, {PR_DEF_CREATE_DL, PR_DEF_CREATE_MAILUSER}};
    LPSPropValue again = nullptr;
    ASSERT_EQ(Pab()->GetProps(reinterpret_cast<LPSPropTagArray>(&reversed), 0, &count, &again),
              S_OK);
    WabMemory againMemory(book_.wab.Get(), again);
    EXPECT_EQ(again[0].ulPropTag, PR_DEF_CREATE_DL);
}

TEST_F(BookTest, NullEntryIdOpensThePersonalAddressBook) {
    ComPtr<IUnknown> root;
    ULONG type = 0;
    ASSERT_EQ(book_.book->OpenEntry(0, nullptr, nullptr, 0, &type, root.Put()), S_OK);
    EXPECT_EQ(type, MAPI_ABCONT);
    ComPtr<IABContainer> container;
    EXPECT_EQ(root.As(IID_IABContainer, &container), S_OK);
    ComPtr<IUnknown> wrong;
    EXPECT_EQ(book_.book->OpenEntry(0, nullptr, &IID_IMailUser, 0, &type, wrong.Put()),
              MAPI_E_INTERFACE_NOT_SUPPORTED);
    char junk[] = "not an entry id at all";
    EXPECT_EQ(book_.book->OpenEntry(sizeof junk, reinterpret_cast<LPENTRYID>(junk), nullptr, 0,
                                    &type, wrong.Put()),
              MAPI_E_UNKNOWN_ENTRYID);
}

TEST_F(BookTest, TextIsServedNarrowOrWideWhateverItWasSetAs) {
    ComPtr<IMAPIProp> entry = Open(AddContact("Caf\xE9"));  // Windows-1252 "Café"
    SPropValue wide{};
    const std::u16string city = u"Z\u00FCrich \u65E5\u672C";
    wide.ulPropTag = PR_HOME_ADDRESS_CITY_W;
    wide.Value.lpszW = const_cast<LPWSTR>(city.c_str());
    ASSERT_EQ(entry->SetProps(1, &wide, nullptr), S_OK);
    ASSERT_EQ(entry->SaveChanges(0), S_OK);

    SizedSPropTagArray(4, tags) = {
        4,
        {PR_DISPLAY_NAME_W, PR_HOME_ADDRESS_CITY_A,
         CHANGE_PROP_TYPE(PR_DISPLAY_NAME, PT_UNSPECIFIED), PR_NICKNAME_A}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    ASSERT_EQ(entry->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values),
              MAPI_W_ERRORS_RETURNED);
    WabMemory memory(book_.wab.Get(), values);
    EXPECT_EQ(values[0].ulPropTag, PR_DISPLAY_NAME_W);
    EXPECT_EQ(std::u16string(values[0].Value.lpszW), u"Caf\u00E9");
    // Characters the ANSI code page lacks become "?".
    EXPECT_EQ(values[1].ulPropTag, PR_HOME_ADDRESS_CITY_A);
    EXPECT_STREQ(values[1].Value.lpszA, "Z\xFCrich ??");
    EXPECT_EQ(values[2].ulPropTag, PR_DISPLAY_NAME_A);
    EXPECT_EQ(values[3].ulPropTag, CHANGE_PROP_TYPE(PR_NICKNAME, PT_ERROR));
    EXPECT_EQ(values[3].Value.err, MAPI_E_NOT_FOUND);

    // Without a tag list every property comes, text as PT_UNICODE when MAPI_UNICODE is given.
    LPSPropValue all = nullptr;
    ASSERT_EQ(entry->GetProps(nullptr, MAPI_UNICODE, &count, &all), S_OK);
    WabMemory allMemory(book_.wab.Get(), all);
    bool sawCity = false;
    for (ULONG i = 0; i < count; ++i) {
        EXPECT_NE(PROP_TYPE(all[i].ulPropTag), PT_STRING8);
        if (all[i].ulPropTag == PR_HOME_ADDRESS_CITY_W)
            sawCity = std::u16string(all[i].Value.lpszW) == city;
    }
    EXPECT_TRUE(sawCity);
}

// Every property type a client may set comes back as it was set, after reopening.
TEST_F(BookTest, EveryPropertyTypeRoundTrips) {
    ComPtr<IMAPIProp> entry = Open(AddContact("Types"));
    LONG longs[] = {-5, 7, 2147483647};
    LPSTR narrow[] = {const_cast<LPSTR>("one"), const_cast<LPSTR>("tw\xF6")};
    BYTE blobA[] = {0, 1, 2, 255};
    SBinary blobs[] = {{4, blobA}, {0, nullptr}};
    FILETIME times[] = {{1, 2}, {0xFFFFFFFF, 0x01D00000}};
    GUID guid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    SPropValue values[11] = {};
    values[0].ulPropTag = PROP_TAG(PT_LONG, 0x8001);
    values[0].Value.l = -42;
    values[1].ulPropTag = PROP_TAG(PT_BOOLEAN, 0x8002);
    values[1].Value.b = 1;
    values[2].ulPropTag = PROP_TAG(PT_I2, 0x8003);
    values[2].Value.i = -7;
    values[3].ulPropTag = PROP_TAG(PT_DOUBLE, 0x8004);
    values[3].Value.dbl = 3.25;
    values[4].ulPropTag = PR_BIRTHDAY;
    values[4].Value.ft = {0x12345678, 0x01C00000};
    values[5].ulPropTag = PROP_TAG(PT_I8, 0x8005);
    values[5].Value.li.QuadPart = -1234567890123LL;
    values[6].ulPropTag = PROP_TAG(PT_MV_LONG, 0x8006);
    values[6].Value.MVl = {3, longs};
    values[7].ulPropTag = PR_CONTACT_EMAIL_ADDRESSES_A;
    values[7].Value.MVszA = {2, narrow};
    values[8].ulPropTag = PROP_TAG(PT_MV_BINARY, 0x8007);
    values[8].Value.MVbin = {2, blobs};
    values[9].ulPropTag = PROP_TAG(PT_MV_SYSTIME, 0x8008);
    values[9].Value.MVft = {2, times};
    values[10].ulPropTag = PROP_TAG(PT_CLSID, 0x8009);
    values[10].Value.lpguid = &guid;
    ASSERT_EQ(entry->SetProps(11, values, nullptr), S_OK);
    ASSERT_EQ(entry->SaveChanges(0), S_OK);
    SizedSPropTagArray(1, idTag) = {1, {PR_ENTRYID}};
    ULONG count = 0;
    LPSPropValue id = nullptr;
    ASSERT_EQ(entry->GetProps(reinterpret_cast<LPSPropTagArray>(&idTag), 0, &count, &id), S_OK);
    const std::string entryId(reinterpret_cast<char*>(id[0].Value.bin.lpb), id[0].Value.bin.cb);
    book_.wab->FreeBuffer(id);
    entry.Reset();
    Reopen();

    SizedSPropTagArray(11, tags) = {11, {}};
    for (ULONG i = 0; i < 11; ++i)
        tags.aulPropTag[i] = values[i].ulPropTag;
    LPSPropValue back = nullptr;
    ASSERT_EQ(Open(entryId)->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &back),
              S_OK);
    WabMemory memory(book_.wab.Get(), back);
    EXPECT_EQ(back[0].Value.l, -42);
    EXPECT_EQ(back[1].Value.b, 1);
    EXPECT_EQ(back[2].Value.i, -7);
    EXPECT_EQ(back[3].Value.dbl, 3.25);
    EXPECT_EQ(back[4].Value.ft.dwLowDateTime, 0x12345678u);
    EXPECT_EQ(back[4].Value.ft.dwHighDateTime, 0x01C00000u);
    EXPECT_EQ(back[5].Value.li.QuadPart, -1234567890123LL);
    ASSERT_EQ(back[6].Value.MVl.cValues, 3u);
    EXPECT_EQ(back[6].Value.MVl.lpl[2], 2147483647);
    ASSERT_EQ(back[7].Value.MVszA.cValues, 2u);
    EXPECT_STREQ(back[7].Value.MVszA.lppszA[1], "tw\xF6");
    ASSERT_EQ(back[8].Value.MVbin.cValues, 2u);
    EXPECT_EQ(back[8].Value.MVbin.lpbin[0].cb, 4u);
    EXPECT_EQ(back[8].Value.MVbin.lpbin[0].lpb[3], 255);
    EXPECT_EQ(back[8].Value.MVbin.lpbin[1].cb, 0u);
    EXPECT_EQ(back[9].Value.MVft.lpft[1].dwLowDateTime, 0xFFFFFFFFu);
    EXPECT_TRUE(*back[10].Value.lpguid == guid);
}

TEST_F(BookTest, ComputedAndUnusableValuesAreReportedAsProblems) {
    ComPtr<IMAPIProp> entry = Open(AddContact("Problems"));
    SPropValue values[3] = {};
    values[0].ulPropTag = PR_ENTRYID;
    values[1].ulPropTag = PROP_TAG(PT_ERROR, 0x8001);
    values[2] = Narrow(PR_TITLE, "Engineer");
    LPSPropProblemArray problems = nullptr;
    ASSERT_EQ(entry->SetProps(3, values, &problems), S_OK);
    ASSERT_NE(problems, nullptr);
    WabMemory memory(book_.wab.Get(), problems);
    ASSERT_EQ(problems->cProblem, 2u);
    EXPECT_EQ(problems->aProblem[0].ulIndex, 0u);
    EXPECT_EQ(problems->aProblem[0].scode, MAPI_E_COMPUTED);
    EXPECT_EQ(problems->aProblem[1].ulIndex, 1u);
    EXPECT_EQ(Text(entry.Get(), PR_TITLE), "Engineer");
}

TEST_F(BookTest, OneOffIdsHaveMapisLayoutAndOpenAsMailUsers) {
    ULONG cb = 0;
    LPENTRYID id = nullptr;
    ASSERT_EQ(book_.book->CreateOneOff(const_cast<LPSTR>("J\xFCrgen"), const_cast<LPSTR>("SMTP"),
                                       const_cast<LPSTR>("j@example.org"), 0, &cb, &id),
              S_OK);
    WabMemory memory(book_.wab.Get(), id);
    const unsigned char expected[] = {0,    0,    0,    0,    0x81, 0x2B, 0x1F, 0xA4, 0xBE,
                                      0xA3, 0x10, 0x19, 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F,
                                      0x54, 0x02, 0,    0,    0,    0,    'J',  0xFC, 'r',
                                      'g',  'e',  'n',  0,    'S',  'M',  'T',  'P',  0};
    ASSERT_GE(cb, sizeof expected);
    EXPECT_EQ(std::memcmp(id, expected, sizeof expected), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(id) + sizeof expected, "j@example.org");
    ComPtr<IMAPIProp> user = Open(std::string(reinterpret_cast<char*>(id), cb));
    EXPECT_EQ(Text(user.Get(), PR_DISPLAY_NAME), "J\xFCrgen");
    EXPECT_EQ(Text(user.Get(), PR_EMAIL_ADDRESS), "j@example.org");
    EXPECT_EQ(user->SaveChanges(0), MAPI_E_NO_ACCESS);
}

}  // namespace
}  // namespace wabtest
