// Registry entries of control and property-page classes.
#include <cstdio>
#include <string>

#include <winpal/com.h>
#include <winpal/winpal.h>

#include <olectl/module.h>
#include <olectl/registration.h>

#include "registry_keys.h"

namespace olectl {
namespace {

using detail::CreateClassesKey;
using detail::SetClassesText;

const char* ThreadingModel(int regFlags) {
    bool apartment = (regFlags & afxRegApartmentThreading) != 0;
    bool free = (regFlags & afxRegFreeThreading) != 0;
    if (apartment && free)
        return "Both";
    if (apartment)
        return "Apartment";
    if (free)
        return "Free";
    return nullptr;
}

// CLSID\{clsid} with its type name and its in-process server.
bool RegisterServerClass(HINSTANCE instance, const std::string& classKey, UINT idTypeName,
                         int regFlags) {
    std::string typeName = AfxLoadString(idTypeName);
    std::string path = detail::ModulePath(instance);
    if (typeName.empty() || path.empty())
        return false;
    const char* threading = ThreadingModel(regFlags);
    std::string server = classKey + "\\InprocServer32";
    return SetClassesText(classKey, nullptr, typeName) && SetClassesText(server, nullptr, path) &&
           (!threading || SetClassesText(server, "ThreadingModel", threading));
}

}  // namespace

std::string GuidText(REFGUID guid) {
    OLECHAR text[39] = {};
    StringFromGUID2(guid, text, 39);
    return winpal::Utf16ToUtf8(text);
}

bool AfxOleRegisterControlClass(HINSTANCE instance, REFCLSID clsid, const char* progId,
                                UINT idTypeName, UINT idBitmap, int regFlags, DWORD miscStatus,
                                REFGUID tlid, WORD majorVersion, WORD minorVersion) {
    std::string classKey = "CLSID\\" + GuidText(clsid);
    if (!progId || !RegisterServerClass(instance, classKey, idTypeName, regFlags))
        return false;
    std::string typeName = AfxLoadString(idTypeName);
    std::string path = detail::ModulePath(instance);
    char version[16];
    std::snprintf(version, sizeof version, "%u.%u", majorVersion, minorVersion);
    bool ok = SetClassesText(classKey + "\\ProgID", nullptr, progId) &&
              SetClassesText(classKey + "\\ToolboxBitmap32", nullptr,
                             path + ", " + std::to_string(idBitmap)) &&
              SetClassesText(classKey + "\\MiscStatus", nullptr, "0") &&
              SetClassesText(classKey + "\\MiscStatus\\1", nullptr, std::to_string(miscStatus)) &&
              CreateClassesKey(classKey + "\\Control") &&
              SetClassesText(classKey + "\\TypeLib", nullptr, GuidText(tlid)) &&
              SetClassesText(classKey + "\\Version", nullptr, version) &&
              SetClassesText(progId, nullptr, typeName) &&
              SetClassesText(std::string(progId) + "\\CLSID", nullptr, GuidText(clsid));
    if (ok && (regFlags & afxRegInsertable)) {
        ok = CreateClassesKey(classKey + "\\Insertable") &&
             CreateClassesKey(std::string(progId) + "\\Insertable");
    }
    return ok;
}

bool AfxOleRegisterPropertyPageClass(HINSTANCE instance, REFCLSID clsid, UINT idTypeName,
                                     int regFlags) {
    return RegisterServerClass(instance, "CLSID\\" + GuidText(clsid), idTypeName, regFlags);
}

bool AfxOleUnregisterClass(REFCLSID clsid, const char* progId) {
    bool ok = detail::DeleteClassesTree("CLSID\\" + GuidText(clsid));
    if (progId && *progId)
        ok = detail::DeleteClassesTree(progId) && ok;
    return ok;
}

}  // namespace olectl
