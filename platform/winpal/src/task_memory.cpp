// The COM task allocator: the C heap, so memory from CoTaskMemAlloc may be handed to any caller
// that frees it with CoTaskMemFree, in this library or in an in-process server.
#include <cstdlib>

#include <winpal/com.h>

LPVOID CoTaskMemAlloc(SIZE_T cb) {
    // A zero-length request still gives a valid, distinct pointer.
    return std::malloc(cb ? cb : 1);
}

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
    if (!pv)
        return CoTaskMemAlloc(cb);
    if (cb == 0) {  // frees the block and answers null, as documented
        std::free(pv);
        return nullptr;
    }
    return std::realloc(pv, cb);
}

void CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}
