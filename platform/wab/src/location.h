// Where the user's address-book file is.
#pragma once

#include <filesystem>

#include <wab/wabapi.h>

namespace wab {

// The file WAB_PARAM's szFileName names when it is not empty; otherwise the file named by
// HKEY_CURRENT_USER\Software\Microsoft\WAB\WAB4 "Wab File Name" (environment references
// expanded); otherwise "%APPDATA%\Microsoft\Address Book\Address Book.sqlite".
std::filesystem::path AddressBookFile(const WAB_PARAM* param);

}  // namespace wab
