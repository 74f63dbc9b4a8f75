// Result codes of the store, and the translation of the .dbx library's errors into them.
#pragma once

#include <exception>
#include <new>

#include <dbx/error.h>
#include <winpal/types.h>

namespace oestore {

// A mailbox or folder file whose bytes break the format.
constexpr HRESULT kFileCorrupt = HRESULT_FROM_WIN32(1392);  // ERROR_FILE_CORRUPT
// A valid file of another kind (for example Offline.dbx where a mailbox was expected).
constexpr HRESULT kFileUnsupported = HRESULT_FROM_WIN32(11);  // ERROR_BAD_FORMAT
// A folder name that a sibling already has, or whose file name another folder uses.
constexpr HRESULT kNameInUse = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
// A folder name that cannot be a file name.
constexpr HRESULT kBadName = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
// A folder name too long for FOLDERPROPS or for a file name.
constexpr HRESULT kNameTooLong = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
// Another program kept the store (or the prefix's first use) locked for longer than the store
// waits.
constexpr HRESULT kStoreBusy = HRESULT_FROM_WIN32(33);  // ERROR_LOCK_VIOLATION
// Special folders and the root cannot be renamed, moved or deleted.
constexpr HRESULT kFolderFixed = E_ACCESSDENIED;

HRESULT HresultFromDbxError(const dbx::Error& error);

// Runs `body` (which returns an HRESULT) and turns whatever it throws into a result code, so
// that no exception leaves a COM method.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const dbx::Error& error) {
        return HresultFromDbxError(error);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace oestore
