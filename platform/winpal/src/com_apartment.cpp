// COM initialisation per thread. Activation here needs no apartment, so the calls only keep the
// count and the concurrency model that Windows checks.
#include <winpal/com.h>

namespace {
thread_local unsigned initCount = 0;
thread_local DWORD threadModel = COINIT_MULTITHREADED;
}  // namespace

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved)
        return E_INVALIDARG;
    const DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (initCount > 0) {
        if (model != threadModel)
            return RPC_E_CHANGED_MODE;
        ++initCount;
        return S_FALSE;
    }
    threadModel = model;
    initCount = 1;
    return S_OK;
}

HRESULT CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
    if (initCount > 0)
        --initCount;
}
