// What the stream classes share: reference counting, QueryInterface, CopyTo over Read and Write,
// and the seek-pointer arithmetic of IStream::Seek.
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

  protected:
    StreamBase() = default;
    virtual ~StreamBase() = default;

    // The new seek pointer for a move from `origin`, given the current pointer and the stream
    // size; STG_E_INVALIDFUNCTION for an unknown origin or a pointer before the start.
    static HRESULT NewPosition(LARGE_INTEGER move, DWORD origin, ULONGLONG current, ULONGLONG size,
                               ULONGLONG* result);

  private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace winpal::detail
