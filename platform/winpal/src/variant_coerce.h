// The value coercions behind VariantChangeType, shared between its source files.
#pragma once

#include <winpal/oleauto.h>

namespace winpal::detail {

// Converts a by-value scalar or text variant (VT_EMPTY, the integer types, VT_R4, VT_R8, VT_CY,
// VT_DATE, VT_BOOL, VT_BSTR) to one of those types other than VT_EMPTY. `result` receives a new
// value only on success.
HRESULT CoerceScalar(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT* result);

}  // namespace winpal::detail
