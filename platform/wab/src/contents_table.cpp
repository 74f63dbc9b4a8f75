#include "contents_table.h"

#include <algorithm>

#include "allocator.h"
#include "com_object.h"
#include "entry.h"
#include "entry_id.h"

namespace wab {
namespace {

// The columns a new table shows.
constexpr ULONG kDefaultColumns[] = {PR_DISPLAY_NAME, PR_ENTRYID,     PR_OBJECT_TYPE,
                                     PR_DISPLAY_TYPE, PR_ADDRTYPE,    PR_EMAIL_ADDRESS,
                                     PR_RECORD_KEY,   PR_INSTANCE_KEY};

class ContentsTable final : public RefCounted<IMAPITable> {
  public:
    ContentsTable(std::vector<StoredEntry> rows, ULONG flags)
        : rows_(std::move(rows)), flags_(flags & MAPI_UNICODE) {
        SetColumnTags(std::begin(kDefaultColumns), std::end(kDefaultColumns));
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryAs(riid, ppv, {&IID_IMAPITable});
    }
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
        if (lppMAPIError)
            *lppMAPIError = nullptr;
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT Advise(ULONG, LPMAPIADVISESINK, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) override {
        if (!lpulTableStatus || !lpulTableType)
            return MAPI_E_INVALID_PARAMETER;
        *lpulTableStatus = TBLSTAT_COMPLETE;
        *lpulTableType = TBLTYPE_SNAPSHOT;
        return S_OK;
    }
    HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG) override {
        if (!lpPropTagArray || lpPropTagArray->cValues == 0)
            return MAPI_E_INVALID_PARAMETER;
        SetColumnTags(lpPropTagArray->aulPropTag,
                      lpPropTagArray->aulPropTag + lpPropTagArray->cValues);
        return S_OK;
    }
    HRESULT QueryColumns(ULONG, LPSPropTagArray* lpPropTagArray) override {
        return HandOutTags(std::vector<ULONG>(columns_.begin() + 1, columns_.end()),
                           lpPropTagArray);
    }
    HRESULT GetRowCount(ULONG, ULONG* lpulCount) override {
        if (!lpulCount)
            return MAPI_E_INVALID_PARAMETER;
        *lpulCount = static_cast<ULONG>(rows_.size());
        return S_OK;
    }
    HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override {
        std::int64_t base;
        if (bkOrigin == BOOKMARK_BEGINNING) {
            base = 0;
        } else if (bkOrigin == BOOKMARK_CURRENT) {
            base = static_cast<std::int64_t>(cursor_);
        } else if (bkOrigin == BOOKMARK_END) {
            base = static_cast<std::int64_t>(rows_.size());
        } else {
            return MAPI_E_INVALID_BOOKMARK;
        }
        const std::int64_t target =
            std::clamp<std::int64_t>(base + lRowCount, 0, static_cast<std::int64_t>(rows_.size()));
        cursor_ = static_cast<std::size_t>(target);
        if (lplRowsSought)
            *lplRowsSought = static_cast<LONG>(target - base);
        return S_OK;
    }
    HRESULT SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) override {
        if (ulDenominator == 0)
            return MAPI_E_INVALID_PARAMETER;
        cursor_ = static_cast<std::size_t>(std::min<std::uint64_t>(
            rows_.size(), static_cast<std::uint64_t>(rows_.size()) * ulNumerator / ulDenominator));
        return S_OK;
    }
    HRESULT QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) override {
        if (!lpulRow || !lpulNumerator || !lpulDenominator)
            return MAPI_E_INVALID_PARAMETER;
        *lpulRow = static_cast<ULONG>(cursor_);
        *lpulNumerator = static_cast<ULONG>(cursor_);
        *lpulDenominator = static_cast<ULONG>(rows_.size());
        return S_OK;
    }
    HRESULT FindRow(LPSRestriction, BOOKMARK, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT Restrict(LPSRestriction, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT CreateBookmark(BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT FreeBookmark(BOOKMARK) override { return MAPI_E_NO_SUPPORT; }
    HRESULT SortTable(LPSSortOrderSet, ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT QuerySortOrder(LPSSortOrderSet*) override { return MAPI_E_NO_SUPPORT; }

    // Up to lRowCount rows from the cursor on (backwards for a negative count, the rows still
    // in table order), moving the cursor past them unless TBL_NOADVANCE.
    HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override {
        if (!lppRows || lRowCount == 0)
            return MAPI_E_INVALID_PARAMETER;
        *lppRows = nullptr;
        std::size_t first;
        std::size_t count;
        if (lRowCount > 0) {
            first = cursor_;
            count =
                std::min<std::size_t>(static_cast<std::size_t>(lRowCount), rows_.size() - cursor_);
        } else {
            count = std::min<std::size_t>(
                static_cast<std::size_t>(-static_cast<std::int64_t>(lRowCount)), cursor_);
            first = cursor_ - count;
        }
        LPVOID block = nullptr;
        if (FAILED(AllocateBuffer(static_cast<ULONG>(CbNewSRowSet(std::max<std::size_t>(count, 1))),
                                  &block)))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        auto* set = static_cast<LPSRowSet>(block);
        for (std::size_t i = 0; i < count; ++i) {
            SRow& row = set->aRow[i];
            const HRESULT hr = ServeProps(RowProperties(rows_[first + i]), Columns(), flags_,
                                          &row.cValues, &row.lpProps);
            if (FAILED(hr)) {
                for (std::size_t j = 0; j < i; ++j)
                    FreeBuffer(set->aRow[j].lpProps);
                FreeBuffer(set);
                return hr;
            }
            set->cRows = static_cast<ULONG>(i + 1);
        }
        if (!(ulFlags & TBL_NOADVANCE))
            cursor_ = lRowCount > 0 ? first + count : first;
        *lppRows = set;
        return S_OK;
    }

    HRESULT Abort() override { return S_OK; }
    HRESULT ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG* lpulTableStatus) override {
        if (lpulTableStatus)
            *lpulTableStatus = TBLSTAT_COMPLETE;
        return S_OK;
    }
    HRESULT GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override { return MAPI_E_NO_SUPPORT; }

  private:
    // The column tags, laid out as an SPropTagArray (the count first).
    template <class It>
    void SetColumnTags(It begin, It end) {
        columns_.assign(1, static_cast<ULONG>(end - begin));
        columns_.insert(columns_.end(), begin, end);
    }
    LPSPropTagArray Columns() { return reinterpret_cast<LPSPropTagArray>(columns_.data()); }

    static PropertyList RowProperties(const StoredEntry& entry) {
        PropertyList list = entry.props;
        const std::string id = MakeEntryId(StoredRef(entry.objectType, entry.record));
        std::string instance(8, '\0');
        for (int i = 0; i < 8; ++i)
            instance[i] =
                static_cast<char>((static_cast<std::uint64_t>(entry.record) >> (8 * i)) & 0xFF);
        AppendIdentity(list, entry.objectType, id);
        list.emplace_back(PR_INSTANCE_KEY, std::move(instance));
        return list;
    }

    std::vector<StoredEntry> rows_;
    ULONG flags_;
    std::vector<ULONG> columns_;
    std::size_t cursor_ = 0;
};

}  // namespace

HRESULT NewContentsTable(std::shared_ptr<Database> db, ULONG flags, LPMAPITABLE* table) {
    *table = nullptr;
    std::vector<StoredEntry> rows;
    if (HRESULT hr = db->LoadAll(&rows); FAILED(hr))
        return hr;
    *table = new ContentsTable(std::move(rows), flags);
    return S_OK;
}

}  // namespace wab
