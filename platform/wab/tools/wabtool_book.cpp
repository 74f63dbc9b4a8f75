#include "wabtool_book.h"

#include <cstdio>
#include <deque>

namespace wabtool {
namespace {

// Frees a block of the address book's memory when it goes.
class WabBuffer {
  public:
    WabBuffer(IWABObject* wab, void* block) : wab_(wab), block_(block) {}
    ~WabBuffer() {
        if (block_)
            wab_->FreeBuffer(block_);
    }
    WabBuffer(const WabBuffer&) = delete;
    WabBuffer& operator=(const WabBuffer&) = delete;

  private:
    IWABObject* wab_;
    void* block_;
};

std::string Bytes(const SBinary& bin) {
    return std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb);
}

std::string Text(const SPropValue& value) {
    return PROP_TYPE(value.ulPropTag) == PT_UNICODE ? winpal::Utf16ToUtf8(value.Value.lpszW)
                                                    : std::string();
}

// The caller's values for SetProps, and the wide text they point into.
class PropertyValues {
  public:
    explicit PropertyValues(const vcard::Contact& contact) {
        for (const vcard::ContactField& field : contact) {
            SPropValue value{};
            value.ulPropTag = field.tag;
            if (const auto* text = std::get_if<std::string>(&field.value)) {
                value.ulPropTag = CHANGE_PROP_TYPE(field.tag, PT_UNICODE);
                value.Value.lpszW = Keep(*text);
            } else if (const auto* list = std::get_if<std::vector<std::string>>(&field.value)) {
                auto& pointers = lists_.emplace_back();
                for (const std::string& item : *list)
                    pointers.push_back(Keep(item));
                value.ulPropTag = CHANGE_PROP_TYPE(field.tag, PT_MV_UNICODE);
                value.Value.MVszW.cValues = static_cast<ULONG>(pointers.size());
                value.Value.MVszW.lppszW = pointers.data();
            } else if (const auto* time = std::get_if<FILETIME>(&field.value)) {
                value.Value.ft = *time;
            } else if (PROP_TYPE(field.tag) == PT_I2) {
                value.Value.i = static_cast<short>(std::get<LONG>(field.value));
            } else {
                value.Value.l = std::get<LONG>(field.value);
            }
            values_.push_back(value);
        }
    }
    ULONG Count() const { return static_cast<ULONG>(values_.size()); }
    LPSPropValue Data() { return values_.data(); }

  private:
    LPWSTR Keep(const std::string& utf8) {
        texts_.push_back(winpal::Utf8ToUtf16(utf8));
        return texts_.back().data();
    }
    std::vector<SPropValue> values_;
    std::deque<std::u16string> texts_;
    std::deque<std::vector<LPWSTR>> lists_;
};

}  // namespace

std::string ResultText(HRESULT hr) {
    struct Known {
        HRESULT hr;
        const char* text;
    };
    static constexpr Known kKnown[] = {
        {MAPI_E_CORRUPT_DATA, "the file is not an address book"},
        {MAPI_E_VERSION, "the address book was written by a newer version"},
        {MAPI_E_NO_ACCESS, "the file cannot be opened for writing"},
        {MAPI_E_BUSY, "the address book is busy"},
        {MAPI_E_NOT_ENOUGH_DISK, "the disk is full"},
        {MAPI_E_DISK_ERROR, "the file cannot be read or written"},
        {MAPI_E_NOT_FOUND, "not found"},
    };
    for (const Known& known : kKnown) {
        if (known.hr == hr)
            return known.text;
    }
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(hr));
    return text;
}

HRESULT Book::Open(const std::string& file) {
    WAB_PARAM param{};
    param.cbSize = sizeof param;
    std::string ansiFile = winpal::AnsiFromPath(std::filesystem::path(file));
    param.szFileName = file.empty() ? nullptr : ansiFile.data();
    HRESULT hr = WABOpen(book_.Put(), wab_.Put(), &param, 0);
    if (FAILED(hr))
        return hr;
    return Container(&container_);
}

Book::~Book() {
    container_.Reset();
    book_.Reset();
    wab_.Reset();
}

HRESULT Book::Container(winpal::ComPtr<IABContainer>* container) {
    ULONG cb = 0;
    LPENTRYID pab = nullptr;
    HRESULT hr = book_->GetPAB(&cb, &pab);
    if (FAILED(hr))
        return hr;
    WabBuffer pabBuffer(wab_.Get(), pab);
    ULONG type = 0;
    hr = book_->OpenEntry(cb, pab, &IID_IABContainer, 0, &type,
                          reinterpret_cast<LPUNKNOWN*>(container->Put()));
    if (FAILED(hr))
        return hr;
    SizedSPropTagArray(1, tags) = {1, {PR_DEF_CREATE_MAILUSER}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    hr = (*container)->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
    WabBuffer valuesBuffer(wab_.Get(), values);
    if (hr != S_OK || count != 1 || values[0].ulPropTag != PR_DEF_CREATE_MAILUSER)
        return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    mailUserTemplate_ = Bytes(values[0].Value.bin);
    return S_OK;
}

HRESULT Book::List(std::vector<Listed>* entries) {
    winpal::ComPtr<IMAPITable> table;
    HRESULT hr = container_->GetContentsTable(MAPI_UNICODE, table.Put());
    if (FAILED(hr))
        return hr;
    SizedSPropTagArray(4, columns) = {
        4, {PR_DISPLAY_NAME_W, PR_ENTRYID, PR_OBJECT_TYPE, PR_EMAIL_ADDRESS_W}};
    hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (FAILED(hr))
        return hr;
    for (;;) {
        LPSRowSet rows = nullptr;
        hr = table->QueryRows(256, 0, &rows);
        if (FAILED(hr))
            return hr;
        WabBuffer rowsBuffer(wab_.Get(), rows);
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SRow& row = rows->aRow[i];
            WabBuffer propsBuffer(wab_.Get(), row.lpProps);
            Listed entry;
            entry.name = Text(row.lpProps[0]);
            if (row.lpProps[1].ulPropTag == PR_ENTRYID)
                entry.entryId = Bytes(row.lpProps[1].Value.bin);
            entry.objectType = row.lpProps[2].Value.ul;
            entry.email = Text(row.lpProps[3]);
            entries->push_back(std::move(entry));
        }
        if (rows->cRows == 0)
            return S_OK;
    }
}

HRESULT Book::Read(const std::string& entryId, vcard::Contact* contact) {
    winpal::ComPtr<IMAPIProp> entry;
    ULONG type = 0;
    HRESULT hr = book_->OpenEntry(static_cast<ULONG>(entryId.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data())),
                                  nullptr, 0, &type, reinterpret_cast<LPUNKNOWN*>(entry.Put()));
    if (FAILED(hr))
        return hr;
    ULONG count = 0;
    LPSPropValue values = nullptr;
    hr = entry->GetProps(nullptr, MAPI_UNICODE, &count, &values);
    if (FAILED(hr))
        return hr;
    WabBuffer valuesBuffer(wab_.Get(), values);
    contact->clear();
    for (ULONG i = 0; i < count; ++i) {
        const SPropValue& v = values[i];
        switch (PROP_TYPE(v.ulPropTag)) {
            case PT_UNICODE:
                contact->push_back({v.ulPropTag, winpal::Utf16ToUtf8(v.Value.lpszW)});
                break;
            case PT_MV_UNICODE: {
                std::vector<std::string> items;
                for (ULONG k = 0; k < v.Value.MVszW.cValues; ++k)
                    items.push_back(winpal::Utf16ToUtf8(v.Value.MVszW.lppszW[k]));
                contact->push_back({v.ulPropTag, std::move(items)});
                break;
            }
            case PT_SYSTIME:
                contact->push_back({v.ulPropTag, v.Value.ft});
                break;
            case PT_LONG:
                contact->push_back({v.ulPropTag, v.Value.l});
                break;
            case PT_I2:
                contact->push_back({v.ulPropTag, LONG{v.Value.i}});
                break;
            default:
                break;
        }
    }
    return S_OK;
}

HRESULT Book::Add(const vcard::Contact& contact) {
    winpal::ComPtr<IMAPIProp> entry;
    HRESULT hr = container_->CreateEntry(static_cast<ULONG>(mailUserTemplate_.size()),
                                         reinterpret_cast<LPENTRYID>(mailUserTemplate_.data()), 0,
                                         entry.Put());
    if (FAILED(hr))
        return hr;
    PropertyValues values(contact);
    hr = entry->SetProps(values.Count(), values.Data(), nullptr);
    if (FAILED(hr))
        return hr;
    return entry->SaveChanges(0);
}

HRESULT Book::Delete(const std::vector<std::string>& entryIds) {
    std::vector<SBinary> ids;
    for (const std::string& id : entryIds)
        ids.push_back({static_cast<ULONG>(id.size()),
                       reinterpret_cast<LPBYTE>(const_cast<char*>(id.data()))});
    ENTRYLIST list{static_cast<ULONG>(ids.size()), ids.data()};
    return container_->DeleteEntries(&list, 0);
}

}  // namespace wabtool
