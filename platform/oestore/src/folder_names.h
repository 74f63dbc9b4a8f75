// Rules for folder names. A folder's mail lives in a file named after it (name + ".dbx") in the
// store folder, so a name must also be a file name that Windows accepts.
#pragma once

#include <string>
#include <string_view>

#include <winpal/types.h>

namespace oestore {

// S_OK, or why `name` cannot name a folder: kBadName (empty, "." or "..", a character Windows
// refuses in file names, a device name such as "CON" with or without an extension, the name of
// one of the store's own files, or bytes the code page lacks), kNameTooLong (no room in
// FOLDERPROPS::szName, or a mailbox file name whose journal, NAME.dbx.journal, would pass the
// 255 bytes a file name may have: at most 243 bytes of UTF-8 on disk).
HRESULT CheckFolderName(std::string_view name);

// The mailbox file name of a new folder: the name followed by ".dbx".
std::string MailboxFileName(std::string_view name);

}  // namespace oestore
