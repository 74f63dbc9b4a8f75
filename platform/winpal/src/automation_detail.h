// Helpers shared by the OLE Automation sources: which variant types are valid here, and BSTR
// duplication.
#pragma once

#include <winpal/oleauto.h>

namespace winpal::detail {

// True for the types VariantClear and VariantCopy accept: the scalar, text and object types
// (VT_EMPTY to VT_UINT but 15) and their VT_BYREF forms (none for VT_EMPTY and VT_NULL). This
// platform has no safe arrays and no records, so VT_ARRAY and VT_RECORD forms are not valid.
bool IsValidVariantType(VARTYPE vt);

// Clears `dest` and moves `value` into it. When `dest` cannot be cleared (an invalid type), it
// stays as it was, `value` is released, and the error is returned.
HRESULT ReplaceVariant(VARIANT* dest, VARIANT* value);

// A new BSTR with the same bytes (embedded NULs and odd lengths included); null stays null.
// Returns false when memory runs out.
bool DuplicateBstr(BSTR source, BSTR* copy);

}  // namespace winpal::detail
