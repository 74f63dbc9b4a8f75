// The attachments of one message as the messages collection walks them: the parsed message and
// the handles of its attachment bodies, in message order. The handle array is the MIME layer's
// task memory and goes back to it with the list.
#pragma once

#include <utility>

#include <mimeole/mimeole.h>
#include <winpal/winpal.h>

class AttachmentList {
  public:
    AttachmentList() = default;
    // Takes the message and the array GetAttachments gave, and keeps only the bodies that the
    // MIME layer marks as attachments (IBT_ATTACHMENT), in order.
    AttachmentList(winpal::ComPtr<IMimeMessage> message, HBODY* handles, ULONG count);
    ~AttachmentList() { CoTaskMemFree(handles_); }
    AttachmentList(AttachmentList&& other) noexcept { *this = std::move(other); }
    AttachmentList& operator=(AttachmentList&& other) noexcept {
        std::swap(message_, other.message_);
        std::swap(handles_, other.handles_);
        std::swap(count_, other.count_);
        return *this;
    }
    AttachmentList(const AttachmentList&) = delete;
    AttachmentList& operator=(const AttachmentList&) = delete;

    ULONG Count() const { return count_; }
    // The body at a 0-based position bound to IMimeBody; null outside the list or when the
    // body does not bind.
    winpal::ComPtr<IMimeBody> Bind(LONG position) const;

  private:
    winpal::ComPtr<IMimeMessage> message_;
    HBODY* handles_ = nullptr;
    ULONG count_ = 0;
};
