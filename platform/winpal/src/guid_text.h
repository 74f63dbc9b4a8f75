// The registry form of a GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", shared by the COM
// functions that read and write class keys.
#pragma once

#include <string>
#include <string_view>

#include <winpal/types.h>

namespace winpal::detail {

// Exactly the braced form (38 characters, hexadecimal digits in either case); false otherwise.
bool ParseGuid(std::u16string_view text, GUID* guid);

}  // namespace winpal::detail
