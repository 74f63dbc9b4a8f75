#include "stream_base.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace winpal::detail {
namespace {

// The new seek pointer for a move from `origin`, given the current pointer and the stream size.
HRESULT NewPosition(LARGE_INTEGER move, DWORD origin, ULONGLONG current, ULONGLONG size,
                    ULONGLONG* result) {
    constexpr ULONGLONG kLimit = std::numeric_limits<LONGLONG>::max();
    ULONGLONG base;
    switch (origin) {
        case STREAM_SEEK_SET:  // the move counts as unsigned from the start
            *result = static_cast<ULONGLONG>(move.QuadPart);
            return *result <= kLimit ? S_OK : STG_E_INVALIDFUNCTION;
        case STREAM_SEEK_CUR:
            base = current;
            break;
        case STREAM_SEEK_END:
            base = size;
            break;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    if (move.QuadPart < 0) {
        ULONGLONG back = 0 - static_cast<ULONGLONG>(move.QuadPart);
        if (back > base)
            return STG_E_INVALIDFUNCTION;
        *result = base - back;
        return S_OK;
    }
    if (static_cast<ULONGLONG>(move.QuadPart) > kLimit - std::min(base, kLimit)) {
        return STG_E_INVALIDFUNCTION;
    }
    *result = base + static_cast<ULONGLONG>(move.QuadPart);
    return S_OK;
}

}  // namespace

HRESULT StreamBase::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
        *ppvObject = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG StreamBase::AddRef() {
    return ++refs_;
}

ULONG StreamBase::Release() {
    ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT StreamBase::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                           ULARGE_INTEGER* pcbWritten) {
    if (!pstm)
        return STG_E_INVALIDPOINTER;
    constexpr ULONG kChunk = 64 * 1024;
    std::vector<BYTE> buffer(kChunk);
    ULONGLONG totalRead = 0;
    ULONGLONG totalWritten = 0;
    HRESULT result = S_OK;
    while (totalRead < cb.QuadPart) {
        ULONG want = static_cast<ULONG>(std::min<ULONGLONG>(kChunk, cb.QuadPart - totalRead));
        ULONG got = 0;
        result = Read(buffer.data(), want, &got);
        if (FAILED(result))
            break;
        result = S_OK;
        if (got == 0)
            break;
        totalRead += got;
        ULONG put = 0;
        result = pstm->Write(buffer.data(), got, &put);
        totalWritten += put;
        if (FAILED(result))
            break;
        if (put < got) {
            result = STG_E_MEDIUMFULL;
            break;
        }
        if (got < want)
            break;
    }
    if (pcbRead)
        pcbRead->QuadPart = totalRead;
    if (pcbWritten)
        pcbWritten->QuadPart = totalWritten;
    return result;
}

HRESULT StreamBase::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) {
    ULONGLONG size = 0;
    HRESULT hr = CurrentSize(&size);
    if (FAILED(hr))
        return hr;
    ULONGLONG next = 0;
    hr = NewPosition(dlibMove, dwOrigin, position_, size, &next);
    if (FAILED(hr))
        return hr;
    position_ = next;
    if (plibNewPosition)
        plibNewPosition->QuadPart = next;
    return S_OK;
}

HRESULT StreamBase::Revert() {
    return S_OK;
}

HRESULT StreamBase::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT StreamBase::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

}  // namespace winpal::detail
