// The personal address book's container (IABContainer) and its contents table (IMAPITable).
#pragma once

#include <memory>

#include <wab/wabdefs.h>

#include "database.h"

namespace wab {

// A new container object with one reference.
LPABCONT NewPabContainer(std::shared_ptr<Database> db);

}  // namespace wab
