// Registry entries of control and property-page classes.
#include <cstdio>
#include <string>

#include <winpal/class_registration.h>
#include <winpal/com.h>
#include <winpal/winpal.h>

#include <olectl/module.h>
#include <olectl/registration.h>

namespace olectl {
namespace {

using winpal::CreateClassesKey;
using winpal::SetClassesText;

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

// CLSID\{clsid} with its type name, its in-process server and, when given, its ProgID.
bool RegisterServerClass(HINSTANCE instance, REFCLSID clsid, const char* progId, UINT idTypeName,
                         int regFlags) {
    std::string typeName = AfxLoadString(idTypeName);
    return !typeName.empty() && winpal::RegisterInprocServer(
                                    instance, {clsid, typeName, ThreadingModel(regFlags), progId});
}

}  // namespace

bool AfxOleRegisterControlClass(HINSTANCE instance, REFCLSID clsid, const char* progId,
                                UINT idTypeName, UINT idBitmap, int regFlags, DWORD miscStatus,
                                REFGUID tlid, WORD majorVersion, WORD minorVersion) {
    if (!progId || !RegisterServerClass(instance, clsid, progId, idTypeName, regFlags))
        return false;
    std::string classKey = "CLSID\\" + GuidText(clsid);
    std::string path = winpal::ModuleFileName(instance);
    char version[16];
    std::snprintf(version, sizeof version, "%u.%u", majorVersion, minorVersion);
    bool ok = SetClassesText(classKey + "\\ToolboxBitmap32", nullptr,
                             path + ", " + std::to_string(idBitmap)) &&
              SetClassesText(classKey + "\\MiscStatus", nullptr, "0") &&
              SetClassesText(classKey + "\\MiscStatus\\1", nullptr, std::to_string(miscStatus)) &&
              CreateClassesKey(classKey + "\\Control") &&
              SetClassesText(classKey + "\\TypeLib", nullptr, GuidText(tlid)) &&
              SetClassesText(classKey + "\\Version", nullptr, version);
    if (ok && (regFlags & afxRegInsertable)) {
        ok = CreateClassesKey(classKey + "\\Insertable") &&
             CreateClassesKey(std::string(progId) + "\\Insertable");
    }
    return ok;
}

bool AfxOleRegisterPropertyPageClass(HINSTANCE instance, REFCLSID clsid, UINT idTypeName,
                                     int regFlags) {
    return RegisterServerClass(instance, clsid, nullptr, idTypeName, regFlags);
}

bool AfxOleUnregisterClass(REFCLSID clsid, const char* progId) {
    return winpal::UnregisterInprocServer(clsid, progId);
}

}  // namespace olectl
