// The address book's own windows: the details of an entry and the form for a new contact, both
// modal. They are shown only where this process can show widgets (a QApplication whose thread
// this is); elsewhere, as in a script that hosts the address book without a screen, they are
// not shown at all and the caller takes that as a cancel.
#pragma once

#include "property.h"

namespace wab {

bool CanShowWindows();

// Shows the entry's text fields (from `current`) in a modal dialog, editable. On OK returns
// true with `fields` holding every field of the dialog as edited (an emptied field as empty
// text); false on Cancel.
bool RunDetailsDialog(ULONG objectType, const PropertyList& current, PropertyList* fields);
// Shows an empty form for a new entry; on OK returns true with the fields as entered.
bool RunNewEntryDialog(ULONG objectType, PropertyList* fields);

}  // namespace wab
