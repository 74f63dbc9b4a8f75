// A scripted MIME message for the scripted store's OpenMessage(IID_IMimeMessage): bodies with
// their names, whether the MIME layer marks them as attachments, whether they bind, and the
// bytes they save; every call is recorded in the store's call list.
#pragma once

#include <string>
#include <vector>

#include <mimeole/mimeole.h>

namespace testsupport {

class ScriptedStore;

struct ScriptedBody {
    std::string name;
    bool attachment = true;
    HRESULT bind = S_OK;
    std::string bytes;
};

// A new message over `bodies` (one reference, the caller's).
IMimeMessage* NewScriptedMimeMessage(ScriptedStore& store, const std::vector<ScriptedBody>& bodies);

}  // namespace testsupport
