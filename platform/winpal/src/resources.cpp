// FindResource and its companions over the resource finder a library exports, and the version
// functions that read a library's RT_VERSION resource with them.
#include <winpal/resources.h>

#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

#include <winpal/kernel.h>

struct HRSRC__ {
    const void* data;
    DWORD size;
};

namespace {

// Found resources, one per module, type and id, kept for the process's life as Windows keeps a
// module's resource entries while it is loaded.
std::map<std::tuple<HMODULE, WORD, WORD>, HRSRC__>& Found() {
    static std::map<std::tuple<HMODULE, WORD, WORD>, HRSRC__> found;
    return found;
}

std::mutex& FoundMutex() {
    static std::mutex mutex;
    return mutex;
}

bool FindIn(HMODULE module, WORD type, WORD id, const void** data, DWORD* size) {
    auto finder = reinterpret_cast<WinpalResourceFinder>(
        reinterpret_cast<void*>(GetProcAddress(module, kResourceFinderExport)));
    return finder && finder(type, id, data, size) && *data;
}

// The bytes of the library's version resource; empty when it has none or does not load.
std::string VersionResourceOf(LPCSTR file) {
    HMODULE module = file ? LoadLibraryA(file) : nullptr;
    if (!module)
        return {};
    const void* data = nullptr;
    DWORD size = 0;
    std::string bytes;
    if (FindIn(module, RT_VERSION_ID, VS_VERSION_INFO, &data, &size))
        bytes.assign(static_cast<const char*>(data), size);
    else
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    FreeLibrary(module);
    return bytes;
}

}  // namespace

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    if (!hModule || !IS_INTRESOURCE(lpName) || !IS_INTRESOURCE(lpType)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const WORD type = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpType));
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpName));
    HRSRC__ resource{};
    if (!FindIn(hModule, type, id, &resource.data, &resource.size)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(FoundMutex());
    HRSRC__& kept = Found()[{hModule, type, id}];
    kept = resource;
    return &kept;
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo) {
    return hResInfo ? const_cast<void*>(hResInfo->data) : nullptr;
}

LPVOID LockResource(HGLOBAL hResData) {
    return hResData;
}

DWORD SizeofResource(HMODULE, HRSRC hResInfo) {
    return hResInfo ? hResInfo->size : 0;
}

// The block holds the resource, then room for VerQueryValueA's ANSI copies of its strings.
DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    if (lpdwHandle)
        *lpdwHandle = 0;
    const std::string bytes = VersionResourceOf(lptstrFilename);
    return static_cast<DWORD>(4 * bytes.size());
}

BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData) {
    const std::string bytes = VersionResourceOf(lptstrFilename);
    if (bytes.empty() || !lpData || dwLen < bytes.size()) {
        SetLastError(bytes.empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(lpData, 0, dwLen);
    std::memcpy(lpData, bytes.data(), bytes.size());
    return TRUE;
}
