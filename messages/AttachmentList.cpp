#include "messages/AttachmentList.h"

// The bodies that are not attachments are dropped from the array in place; the others keep
// their order.
AttachmentList::AttachmentList(winpal::ComPtr<IMimeMessage> message, HBODY* handles, ULONG count)
    : message_(std::move(message)), handles_(handles) {
    if (!handles_)
        return;
    for (ULONG position = 0; position < count; ++position) {
        if (message_->IsBodyType(handles_[position], IBT_ATTACHMENT) == S_OK)
            handles_[count_++] = handles_[position];
    }
}

winpal::ComPtr<IMimeBody> AttachmentList::Bind(LONG position) const {
    winpal::ComPtr<IMimeBody> body;
    if (position < 0 || static_cast<ULONG>(position) >= count_)
        return body;
    if (FAILED(message_->BindToObject(handles_[position], IID_IMimeBody, body.PutVoid())))
        body.Reset();
    return body;
}
