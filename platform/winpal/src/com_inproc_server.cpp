#include "com_inproc_server.h"

#include <mutex>
#include <string>
#include <vector>

#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "com_registry.h"

namespace {

struct LoadedServer {
    std::string path;  // as the registration names it, after expansion
    HMODULE module;
    LPFNGETCLASSOBJECT getClassObject;
    LPFNCANUNLOADNOW canUnloadNow;  // null: the library stays loaded
};

// Recursive, because a server's entry points may activate other classes on the same thread.
struct ServerCache {
    std::recursive_mutex mutex;
    std::vector<LoadedServer> servers;
};

ServerCache& Cache() {
    static ServerCache* cache = new ServerCache;  // never destroyed: servers stay until exit
    return *cache;
}

template <class Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The loaded server for `path`, loading it when needed; null with the failure in `result`.
const LoadedServer* FindOrLoad(ServerCache& cache, const std::string& path, HRESULT* result) {
    for (const LoadedServer& server : cache.servers) {
        if (server.path == path)
            return &server;
    }
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        *result = CO_E_DLLNOTFOUND;
        return nullptr;
    }
    // The same library under another spelling of its path keeps its one cache entry.
    for (const LoadedServer& server : cache.servers) {
        if (server.module == module) {
            FreeLibrary(module);
            return &server;
        }
    }
    auto getClassObject = Export<LPFNGETCLASSOBJECT>(module, "DllGetClassObject");
    if (!getClassObject) {
        FreeLibrary(module);
        *result = CO_E_ERRORINDLL;
        return nullptr;
    }
    cache.servers.push_back(
        {path, module, getClassObject, Export<LPFNCANUNLOADNOW>(module, "DllCanUnloadNow")});
    return &cache.servers.back();
}

}  // namespace

namespace winpal::detail {

HRESULT GetInprocClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    std::string path;
    if (!ReadClassesRootDefault("CLSID\\" + GuidText(clsid) + "\\InprocServer32", &path)) {
        return REGDB_E_CLASSNOTREG;
    }
    ServerCache& cache = Cache();
    // Held during the call too, so CoFreeUnusedLibraries cannot unload the library under it.
    std::lock_guard lock(cache.mutex);
    HRESULT result = S_OK;
    const LoadedServer* server = FindOrLoad(cache, path, &result);
    if (!server)
        return result;
    LPFNGETCLASSOBJECT getClassObject = server->getClassObject;  // the entry may move meanwhile
    return getClassObject(clsid, riid, ppv);
}

}  // namespace winpal::detail

void CoFreeUnusedLibraries() {
    ServerCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    for (std::size_t i = 0; i < cache.servers.size();) {
        LoadedServer& server = cache.servers[i];
        if (server.canUnloadNow && server.canUnloadNow() == S_OK) {
            FreeLibrary(server.module);
            cache.servers.erase(cache.servers.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}
