#include "wab_test_util.h"

namespace wabtest {

HRESULT OpenFile(const std::filesystem::path& file, Book* out) {
    std::string name = winpal::AnsiFromPath(file);
    WAB_PARAM param{};
    param.cbSize = sizeof param;
    param.szFileName = name.data();
    return WABOpen(out->book.Put(), out->wab.Put(), &param, 0);
}

SPropValue Narrow(ULONG tag, const char* text) {
    SPropValue value{};
    value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_STRING8);
    value.Value.lpszA = const_cast<LPSTR>(text);
    return value;
}

void BookTest::SetUp() {
    prefix_ = std::make_unique<testsupport::TempPrefix>();
    ASSERT_EQ(OpenFile(File(), &book_), S_OK);
}

void BookTest::TearDown() {
    book_ = {};
    prefix_.reset();
}

void BookTest::Reopen() {
    book_ = {};
    ASSERT_EQ(OpenFile(File(), &book_), S_OK);
}

ComPtr<IABContainer> BookTest::Pab() {
    ULONG cb = 0;
    LPENTRYID id = nullptr;
    EXPECT_EQ(book_.book->GetPAB(&cb, &id), S_OK);
    WabMemory idMemory(book_.wab.Get(), id);
    ComPtr<IABContainer> pab;
    ULONG type = 0;
    EXPECT_EQ(
        book_.book->OpenEntry(cb, id, nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(pab.Put())),
        S_OK);
    EXPECT_EQ(type, MAPI_ABCONT);
    return pab;
}

std::string BookTest::Template(ULONG propTag) {
    SizedSPropTagArray(1, tags) = {1, {propTag}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    EXPECT_EQ(Pab()->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values), S_OK);
    WabMemory memory(book_.wab.Get(), values);
    return std::string(reinterpret_cast<const char*>(values[0].Value.bin.lpb),
                       values[0].Value.bin.cb);
}

std::string BookTest::Add(ULONG defTag, const std::vector<std::pair<ULONG, const char*>>& props) {
    std::string tpl = Template(defTag);
    ComPtr<IMAPIProp> entry;
    EXPECT_EQ(Pab()->CreateEntry(static_cast<ULONG>(tpl.size()),
                                 reinterpret_cast<LPENTRYID>(tpl.data()), 0, entry.Put()),
              S_OK);
    for (const auto& [tag, text] : props) {
        SPropValue value = Narrow(tag, text);
        EXPECT_EQ(entry->SetProps(1, &value, nullptr), S_OK);
    }
    EXPECT_EQ(entry->SaveChanges(0), S_OK);
    SizedSPropTagArray(1, idTag) = {1, {PR_ENTRYID}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    EXPECT_EQ(entry->GetProps(reinterpret_cast<LPSPropTagArray>(&idTag), 0, &count, &values), S_OK);
    WabMemory memory(book_.wab.Get(), values);
    return std::string(reinterpret_cast<const char*>(values[0].Value.bin.lpb),
                       values[0].Value.bin.cb);
}

std::string BookTest::AddContact(const char* name, const char* email) {
    return Add(PR_DEF_CREATE_MAILUSER, {{PR_DISPLAY_NAME, name}, {PR_EMAIL_ADDRESS, email}});
}

std::vector<Row> BookTest::Rows() {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(Pab()->GetContentsTable(0, table.Put()), S_OK);
    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};
    EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
    std::vector<Row> rows;
    for (;;) {
        LPSRowSet set = nullptr;
        EXPECT_EQ(table->QueryRows(1, 0, &set), S_OK);
        if (!set)
            break;
        WabMemory setMemory(book_.wab.Get(), set);
        if (set->cRows == 0)
            break;
        WabMemory propsMemory(book_.wab.Get(), set->aRow[0].lpProps);
        const SPropValue* p = set->aRow[0].lpProps;
        rows.push_back(
            {p[0].Value.lpszA,
             std::string(reinterpret_cast<const char*>(p[1].Value.bin.lpb), p[1].Value.bin.cb),
             p[2].Value.ul});
    }
    return rows;
}

ComPtr<IMAPIProp> BookTest::Open(const std::string& entryId, ULONG* type) {
    ComPtr<IMAPIProp> entry;
    ULONG objectType = 0;
    EXPECT_EQ(
        book_.book->OpenEntry(static_cast<ULONG>(entryId.size()),
                              reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data())),
                              nullptr, 0, &objectType, reinterpret_cast<LPUNKNOWN*>(entry.Put())),
        S_OK);
    if (type)
        *type = objectType;
    return entry;
}

std::string BookTest::Text(IMAPIProp* entry, ULONG tag) {
    SizedSPropTagArray(1, tags) = {1, {CHANGE_PROP_TYPE(tag, PT_STRING8)}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    if (FAILED(entry->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values)))
        return "<failed>";
    WabMemory memory(book_.wab.Get(), values);
    if (PROP_TYPE(values[0].ulPropTag) == PT_ERROR)
        return "<missing>";
    return values[0].Value.lpszA;
}

}  // namespace wabtest
