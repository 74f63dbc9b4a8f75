#include "store_errors.h"

#include <cerrno>

namespace oestore {

HRESULT HresultFromDbxError(const dbx::Error& error) {
    switch (error.code()) {
        case dbx::ErrorCode::kCorrupt:
            return kFileCorrupt;
        case dbx::ErrorCode::kUnsupported:
            return kFileUnsupported;
        case dbx::ErrorCode::kIo:
            return error.os_error() == EWOULDBLOCK ? kStoreBusy : STG_E_WRITEFAULT;
        case dbx::ErrorCode::kNotFound:
        case dbx::ErrorCode::kInvalidArgument:
            return E_INVALIDARG;
        case dbx::ErrorCode::kFull:
            return STG_E_MEDIUMFULL;
    }
    return E_FAIL;
}

}  // namespace oestore
