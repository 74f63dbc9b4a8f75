// Libraries over the dynamic loader. A module handle is the loader's handle, which on glibc is the
// library's `struct link_map`; handles are checked against the loaded list before use, so that a
// stale or made-up handle gives an error instead of a crash.
#include <dlfcn.h>
#include <link.h>

#include <string>
#include <system_error>

#include <winpal/kernel.h>
#include <winpal/winpal.h>

namespace {

struct ModuleSearch {
    const void* wanted;
    bool found;
};

// Walks the loader's list while dl_iterate_phdr holds the loader lock, so no library can be
// unloaded under the walk.
int FindInLinkMap(dl_phdr_info*, std::size_t, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    for (const link_map* map = _r_debug.r_map; map; map = map->l_next) {
        if (map == search->wanted) {
            search->found = true;
            break;
        }
    }
    return 1;  // one call is enough
}

bool IsLoadedModule(HMODULE module) {
    if (!module)
        return false;
    ModuleSearch search{module, false};
    dl_iterate_phdr(FindInLinkMap, &search);
    return search.found;
}

std::filesystem::path ProgramPath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::filesystem::path path = winpal::PathFromAnsi(lpLibFileName);
    // A name with a folder part is made absolute, so the library's recorded file name is a full
    // path however the current folder changes later; a bare name goes through the loader's search.
    if (path.has_parent_path()) {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (!ec)
            path = absolute.lexically_normal();
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!IsLoadedModule(hModule)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Export ordinals (values below 0x10000 in place of a name) do not exist here.
    if (reinterpret_cast<ULONG_PTR>(lpProcName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = dlsym(hModule, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    if (!IsLoadedModule(hLibModule) || dlclose(hLibModule) != 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::filesystem::path path;
    if (hModule) {
        if (!IsLoadedModule(hModule)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = reinterpret_cast<const link_map*>(hModule)->l_name;
    }
    if (path.empty())
        path = ProgramPath();  // the program's own entry has no name
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (!ec)
        path = absolute;
    std::string name = winpal::AnsiFromPath(path);
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (name.size() >= nSize) {
        name.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    name.copy(lpFilename, name.size());
    lpFilename[name.size()] = '\0';
    return static_cast<DWORD>(name.size());
}

BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule) {
    constexpr DWORD known = GET_MODULE_HANDLE_EX_FLAG_PIN |
                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    const bool pin = dwFlags & GET_MODULE_HANDLE_EX_FLAG_PIN;
    const bool unchanged = dwFlags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (phModule)
        *phModule = nullptr;
    if (!phModule || (dwFlags & ~known) || (pin && unchanged)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HMODULE module = nullptr;
    if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)
        module = winpal::ModuleFromAddress(lpModuleName);
    else if (!lpModuleName)
        module = reinterpret_cast<HMODULE>(_r_debug.r_map);  // the program is the first entry
    else if (void* loaded =
                 dlopen(winpal::PathFromAnsi(lpModuleName).c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        module = static_cast<HMODULE>(loaded);
        dlclose(loaded);  // the reference, when wanted, is taken below
    }
    if (!IsLoadedModule(module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    // The program's own entry has no name, and the program never unloads anyway.
    const char* file = reinterpret_cast<const link_map*>(module)->l_name;
    if (!unchanged && file && *file) {
        // Another open of the loaded library is the reference Windows takes; RTLD_NODELETE pins.
        if (!dlopen(file, RTLD_NOW | RTLD_NOLOAD | (pin ? RTLD_NODELETE : 0))) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
    }
    *phModule = module;
    return TRUE;
}

namespace winpal {

HMODULE ModuleFromAddress(const void* address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) {
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(map);
}

}  // namespace winpal
