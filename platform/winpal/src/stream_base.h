// What the stream classes share: reference counting, QueryInterface, CopyTo over Read and Write,
// the seek pointer with IStream::Seek, and the members neither stream supports (Revert has
// nothing to undo, regions cannot be locked).
#pragma once

#include <atomic>

#include <winpal/com.h>

namespace winpal::detail {

class StreamBase : public IStream {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                   ULARGE_INTEGER* pcbWritten) override;
    // STG_E_INVALIDFUNCTION for an unknown origin or a pointer before the start or beyond the
    // largest signed 64-bit offset.
    HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;

  protected:
    explicit StreamBase(ULONGLONG position = 0) : position_(position) {}
    virtual ~StreamBase() = default;

    // The stream's size now, for a seek from its end.
    virtual HRESULT CurrentSize(ULONGLONG* size) = 0;

    // The seek pointer.
    ULONGLONG position_;

  private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace winpal::detail
