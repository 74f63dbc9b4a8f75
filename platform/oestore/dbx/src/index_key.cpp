#include "index_key.h"

#include <algorithm>

#include "dbx/error.h"
#include "dbx/text_case.h"

namespace dbx {

namespace {

int CompareText(const std::string& a, const std::string& b, bool ignore_case) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (ignore_case) {
            x = FoldCase(x);
            y = FoldCase(y);
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

IndexKeyValue ExtractKey(const IndexDefinition& index, const TableSchema& schema,
                         const Record& record) {
    IndexKeyValue key;
    for (const IndexKey& part : index.keys) {
        KeyPart value;
        ColumnType type = schema.column_type(part.column);
        if (type == ColumnType::kString) {
            value.text = true;
            value.bytes = record.String(part.column);
        } else if (type == ColumnType::kFileTime) {
            value.number = static_cast<int64_t>(record.FileTime(part.column));
        } else {
            value.number = static_cast<int32_t>(record.Dword(part.column));
        }
        key.push_back(std::move(value));
    }
    return key;
}

int CompareKeys(const IndexDefinition& index, const IndexKeyValue& a, const IndexKeyValue& b) {
    for (size_t k = 0; k < index.keys.size() && k < a.size() && k < b.size(); ++k) {
        int order;
        if (a[k].text) {
            order = CompareText(a[k].bytes, b[k].bytes,
                                (index.keys[k].compare & kCompareIgnoreCase) != 0);
        } else {
            order = a[k].number < b[k].number ? -1 : (a[k].number > b[k].number ? 1 : 0);
        }
        if (index.keys[k].compare & kCompareDescending)
            order = -order;
        if (order != 0)
            return (index.flags & 1) ? -order : order;
    }
    return 0;
}

bool PassesFilter(IndexFilter filter, const Record& record) {
    switch (filter) {
        case IndexFilter::kAll:
            return true;
        case IndexFilter::kWatchedOrIgnored:
            return (record.Dword(msgcol::kFlags) & (msgflag::kWatch | msgflag::kIgnore)) != 0;
        case IndexFilter::kSubscribed:
            return (record.Dword(fldcol::kFlags) & fldflag::kSubscribed) != 0;
        case IndexFilter::kUnknown:
            break;
    }
    throw Error(ErrorCode::kUnsupported, "an index has a filter this library cannot evaluate");
}

}  // namespace dbx
