// Writes a body's content to a file.
#pragma once

#include <string_view>

#include <mimeole/mimeole.h>

#include "body.h"

namespace mimeole {

// IMimeBody::SaveToFile for `body` of the message text `text`.
HRESULT SaveBody(const Body& body, std::string_view text, ENCODINGTYPE encoding, LPCSTR path);

}  // namespace mimeole
