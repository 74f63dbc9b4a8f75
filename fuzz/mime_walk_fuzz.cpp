// libFuzzer target for the MIME layer: the input is a whole message. Every listed body is asked
// each body type, bound, named and saved (decoded and as stored) to /dev/null.
#include <cstdint>
#include <string>

#include <mimeole/mimeole.h>
#include <winpal/winpal.h>

namespace {

void WalkBody(IMimeMessage* message, HBODY handle) {
    for (IMSGBODYTYPE type :
         {IBT_SECURE, IBT_ATTACHMENT, IBT_EMPTY, IBT_CSETTAGGED, IBT_AUTOATTACH}) {
        message->IsBodyType(handle, type);
    }
    winpal::ComPtr<IMimeBody> body;
    if (FAILED(message->BindToObject(handle, IID_IMimeBody, body.PutVoid())))
        __builtin_trap();
    LPSTR name = nullptr;
    if (FAILED(body->GetDisplayName(&name)) || !name || !*name)
        __builtin_trap();
    CoTaskMemFree(name);
    body->SaveToFile(IET_BINARY, "/dev/null");
    body->SaveToFile(IET_CURRENT, "/dev/null");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    winpal::ComPtr<IMimeMessage> message;
    if (FAILED(MimeOleCreateMessageFromText(std::string(reinterpret_cast<const char*>(data), size),
                                            message.Put()))) {
        __builtin_trap();
    }
    ULONG count = 0;
    HBODY* handles = nullptr;
    if (FAILED(message->GetAttachments(&count, &handles)))
        __builtin_trap();
    for (ULONG i = 0; i < count; ++i)
        WalkBody(message.Get(), handles[i]);
    CoTaskMemFree(handles);
    return 0;
}
