// The container's contents table: a snapshot of every entry taken when the table is made, in
// display-name order, one row per mail user or distribution list. Rows are handed out as MAPI
// does: the row set from AllocateBuffer, and each row's property array a block of its own from
// AllocateBuffer with its strings and binaries linked to it, so that a caller frees every row's
// array and then the set.
#pragma once

#include <memory>

#include <wab/wabdefs.h>

#include "database.h"

namespace wab {

HRESULT NewContentsTable(std::shared_ptr<Database> db, ULONG flags, LPMAPITABLE* table);

}  // namespace wab
