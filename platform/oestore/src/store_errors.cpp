#include "store_errors.h"

namespace oestore {

HRESULT HresultFromDbxError(const dbx::Error& error) {
    switch (error.code()) {
        case dbx::ErrorCode::kCorrupt:
            return kFileCorrupt;
        case dbx::ErrorCode::kUnsupported:
            return kFileUnsupported;
        case dbx::ErrorCode::kIo:
            return STG_E_WRITEFAULT;
        case dbx::ErrorCode::kNotFound:
        case dbx::ErrorCode::kInvalidArgument:
            return E_INVALIDARG;
        case dbx::ErrorCode::kFull:
            return STG_E_MEDIUMFULL;
    }
    return E_FAIL;
}

}  // namespace oestore
