// CreateStreamOnHGlobal(NULL, ...): a stream over a growable block of memory. Clones share the
// block and keep their own seek pointers. winpal::CreateStreamOnBytes makes the same stream over
// bytes the caller hands over, without copying them.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <winpal/com.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "stream_base.h"

namespace {

using Block = std::string;

class MemoryStream final : public winpal::detail::StreamBase {
  public:
    MemoryStream(std::shared_ptr<Block> data, ULONGLONG position)
        : StreamBase(position), data_(std::move(data)) {}

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (pcbRead)
            *pcbRead = 0;
        if (!pv && cb)
            return STG_E_INVALIDPOINTER;
        ULONG n = 0;
        if (position_ < data_->size()) {
            n = static_cast<ULONG>(std::min<ULONGLONG>(cb, data_->size() - position_));
            std::memcpy(pv, data_->data() + position_, n);
            position_ += n;
        }
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten)
            *pcbWritten = 0;
        if (cb == 0)
            return S_OK;
        if (!pv)
            return STG_E_INVALIDPOINTER;
        const ULONGLONG end = position_ + cb;
        if (end > data_->size() && !Resize(end))
            return STG_E_MEDIUMFULL;
        std::memcpy(data_->data() + position_, pv, cb);
        position_ = end;
        if (pcbWritten)
            *pcbWritten = cb;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER libNewSize) override {
        return Resize(libNewSize.QuadPart) ? S_OK : STG_E_MEDIUMFULL;
    }

    HRESULT Commit(DWORD) override { return S_OK; }

    HRESULT Stat(STATSTG* pstatstg, DWORD) override {
        if (!pstatstg)
            return STG_E_INVALIDPOINTER;
        *pstatstg = STATSTG{};
        pstatstg->pwcsName = nullptr;  // a memory stream has no name
        pstatstg->type = STGTY_STREAM;
        pstatstg->cbSize.QuadPart = data_->size();
        pstatstg->grfMode = STGM_READWRITE;
        return S_OK;
    }

    HRESULT Clone(IStream** ppstm) override {
        if (!ppstm)
            return STG_E_INVALIDPOINTER;
        *ppstm = new (std::nothrow) MemoryStream(data_, position_);
        return *ppstm ? S_OK : E_OUTOFMEMORY;
    }

  private:
    HRESULT CurrentSize(ULONGLONG* size) override {
        *size = data_->size();
        return S_OK;
    }

    bool Resize(ULONGLONG size) {
        try {
            data_->resize(static_cast<std::size_t>(size));
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    std::shared_ptr<Block> data_;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HANDLE hGlobal, BOOL, LPSTREAM* ppstm) {
    if (!ppstm)
        return E_INVALIDARG;
    *ppstm = nullptr;
    // Global memory handles do not exist here; only a new block can be asked for.
    if (hGlobal)
        return E_INVALIDARG;
    try {
        *ppstm = new MemoryStream(std::make_shared<Block>(), 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

namespace winpal {

HRESULT CreateStreamOnBytes(std::string bytes, IStream** stream) {
    if (!stream)
        return E_INVALIDARG;
    *stream = nullptr;
    try {
        *stream = new MemoryStream(std::make_shared<Block>(std::move(bytes)), 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace winpal
