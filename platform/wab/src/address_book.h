// IAddrBook: the address book that WABOpen hands out, over one database.
#pragma once

#include <memory>

#include <wab/wabapi.h>

#include "database.h"

namespace wab {

LPADRBOOK NewAddressBook(std::shared_ptr<Database> db);
LPWABOBJECT NewWabObject();

}  // namespace wab
