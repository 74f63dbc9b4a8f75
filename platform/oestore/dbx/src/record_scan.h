// Salvage: finds records the index no longer reaches, by scanning the allocation area at 4-byte
// steps for objects whose marker equals their address and that decode as records of the table.
// Freed blocks never qualify (freeing overwrites the record header), nor do tree nodes, stream
// blocks or filter strings.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dbx/database.h"

namespace dbx {

// Calls `visit` with the address and contents of every record found, in address order.
void ScanForRecords(Database& db,
                    const std::function<void(uint32_t address, const Record& record)>& visit);

}  // namespace dbx
