#include <winpal/class_registration.h>

#include <vector>

#include <winpal/kernel.h>
#include <winpal/registry.h>
#include <winpal/winpal.h>

#include "com_registry.h"

namespace winpal {

std::string ModuleFileName(HMODULE module) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

HKEY CreateKey(const std::string& subKey) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

}  // namespace

bool CreateClassesKey(const std::string& subKey) {
    HKEY key = CreateKey(subKey);
    if (!key)
        return false;
    RegCloseKey(key);
    return true;
}

bool SetClassesText(const std::string& subKey, const char* name, const std::string& text) {
    HKEY key = CreateKey(subKey);
    if (!key)
        return false;
    const LONG status =
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::optional<std::string> ClassesText(const std::string& subKey, const char* name) {
    DWORD type = REG_NONE;
    std::optional<std::string> text = detail::ReadClassesValue(subKey, name, &type);
    return type == REG_SZ ? text : std::nullopt;
}

bool ClassesKeyHasSubkeys(const std::string& subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD subKeys = 0;
    const LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && subKeys > 0;
}

bool DeleteClassesTree(const std::string& subKey) {
    const LONG status = RegDeleteTreeA(HKEY_CLASSES_ROOT, subKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegisterInprocServer(HMODULE module, const InprocServerClass& server) {
    const std::string path = ModuleFileName(module);
    if (path.empty())
        return false;
    const std::string clsid = GuidText(server.clsid);
    const std::string classKey = "CLSID\\" + clsid;
    const std::string serverKey = classKey + "\\InprocServer32";
    bool ok = SetClassesText(classKey, nullptr, server.description) &&
              SetClassesText(serverKey, nullptr, path) &&
              (!server.threadingModel ||
               SetClassesText(serverKey, "ThreadingModel", server.threadingModel));
    if (ok && server.progId) {
        const std::string progId = server.progId;
        ok = SetClassesText(classKey + "\\ProgID", nullptr, progId) &&
             SetClassesText(progId, nullptr, server.description) &&
             SetClassesText(progId + "\\CLSID", nullptr, clsid);
    }
    return ok;
}

bool UnregisterInprocServer(REFCLSID clsid, const char* progId) {
    bool ok = DeleteClassesTree("CLSID\\" + GuidText(clsid));
    if (progId && *progId)
        ok = DeleteClassesTree(progId) && ok;
    return ok;
}

}  // namespace winpal
