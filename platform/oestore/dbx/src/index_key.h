// The sort keys of an index: the values of the key columns of a record, compared the way the
// index definition says. Numbers compare as signed 32-bit values (the folder index sorts the
// root's parent 0xFFFFFFFF first); text compares byte by byte, after folding Windows-1252 case
// when the key ignores case. Windows' own ANSI collation for non-ASCII text is not known.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/header.h"
#include "dbx/record.h"
#include "dbx/schema.h"

namespace dbx {

struct KeyPart {
    bool text = false;
    int64_t number = 0;
    std::string bytes;
};
using IndexKeyValue = std::vector<KeyPart>;

IndexKeyValue ExtractKey(const IndexDefinition& index, const TableSchema& schema,
                         const Record& record);
int CompareKeys(const IndexDefinition& index, const IndexKeyValue& a, const IndexKeyValue& b);

// Whether a record belongs in an index with this filter; throws kUnsupported for a filter this
// library cannot evaluate.
bool PassesFilter(IndexFilter filter, const Record& record);

}  // namespace dbx
