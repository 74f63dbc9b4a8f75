// The MAPI definitions the address book shares (wabdefs.h): types, interfaces, result codes,
// property tags and interface identifiers.
#pragma once

#include <wab/mapicode.h>
#include <wab/mapidefs.h>
#include <wab/mapiguid.h>
#include <wab/mapitags.h>
