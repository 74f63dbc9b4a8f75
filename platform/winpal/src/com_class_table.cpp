#include "com_class_table.h"

#include <mutex>
#include <vector>

namespace {

struct Registration {
    DWORD cookie;
    CLSID clsid;
    IUnknown* object;  // holds one reference
    DWORD context;
};

struct ClassTable {
    std::mutex mutex;
    std::vector<Registration> entries;
    DWORD nextCookie = 1;
};

ClassTable& Table() {
    static ClassTable* table = new ClassTable;  // never destroyed: servers may revoke at exit
    return *table;
}

}  // namespace

HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister) {
    if (lpdwRegister)
        *lpdwRegister = 0;
    if (!pUnk || !lpdwRegister)
        return E_INVALIDARG;
    DWORD context = dwClsContext;
    // A multiple-use local server is also registered for the process's own in-process requests.
    if (flags == REGCLS_MULTIPLEUSE && (context & CLSCTX_LOCAL_SERVER)) {
        context |= CLSCTX_INPROC_SERVER;
    }
    pUnk->AddRef();
    ClassTable& table = Table();
    std::lock_guard lock(table.mutex);
    DWORD cookie = table.nextCookie++;
    if (table.nextCookie == 0)
        table.nextCookie = 1;
    table.entries.push_back({cookie, rclsid, pUnk, context});
    *lpdwRegister = cookie;
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    IUnknown* object = nullptr;
    {
        ClassTable& table = Table();
        std::lock_guard lock(table.mutex);
        for (auto it = table.entries.begin(); it != table.entries.end(); ++it) {
            if (it->cookie == dwRegister) {
                object = it->object;
                table.entries.erase(it);
                break;
            }
        }
    }
    if (!object)
        return E_INVALIDARG;
    object->Release();  // outside the lock: the object may call back into COM
    return S_OK;
}

namespace winpal::detail {

IUnknown* FindRegisteredClassObject(REFCLSID clsid, DWORD context) {
    ClassTable& table = Table();
    std::lock_guard lock(table.mutex);
    for (const Registration& entry : table.entries) {
        if (entry.clsid == clsid && (entry.context & context)) {
            entry.object->AddRef();
            return entry.object;
        }
    }
    return nullptr;
}

}  // namespace winpal::detail
