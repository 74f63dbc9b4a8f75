// Registration of type libraries (RegisterTypeLib, UnRegisterTypeLib) and the framework's calls
// that register the running module's own TYPELIB resource.
#include <cstdio>
#include <filesystem>
#include <string>

#include <winpal/class_registration.h>
#include <winpal/winpal.h>

#include <olectl/module.h>
#include <olectl/registration.h>

namespace olectl {
namespace {

using winpal::SetClassesText;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string VersionKey(const TypeLibInfo& lib) {
    return "TypeLib\\" + GuidText(lib.libid) + "\\" + Hex(lib.majorVersion) + "." +
           Hex(lib.minorVersion);
}

std::string InterfaceKey(const TypeInfo& type) {
    return "Interface\\" + GuidText(type.guid);
}

bool RegisterInterface(const TypeLibInfo& lib, const TypeInfo& type) {
    std::string key = InterfaceKey(type);
    std::string marshaler = GuidText(CLSID_PSDispatch);
    std::string version = Hex(lib.majorVersion) + "." + Hex(lib.minorVersion);
    return SetClassesText(key, nullptr, type.name) &&
           SetClassesText(key + "\\ProxyStubClsid", nullptr, marshaler) &&
           SetClassesText(key + "\\ProxyStubClsid32", nullptr, marshaler) &&
           SetClassesText(key + "\\TypeLib", nullptr, GuidText(lib.libid)) &&
           SetClassesText(key + "\\TypeLib", "Version", version);
}

// The running module's type library, when it is the library `tlid`.
const TypeLibInfo* OwnTypeLib(REFGUID tlid) {
    const TypeLibInfo* lib = AfxLoadTypeLibResource(AfxGetInstanceHandle(), 1);
    return lib && lib->libid == tlid ? lib : nullptr;
}

}  // namespace

HRESULT RegisterTypeLib(const TypeLibInfo& lib, const char* fullPath, const char* helpDir) {
    if (!fullPath || !*fullPath)
        return E_INVALIDARG;
    std::string key = VersionKey(lib);
    const char* description = *lib.helpString ? lib.helpString : lib.name;
    bool ok = SetClassesText(key, nullptr, description) &&
              SetClassesText(key + "\\FLAGS", nullptr, Hex(lib.flags)) &&
              SetClassesText(key + "\\HELPDIR", nullptr, helpDir ? helpDir : "") &&
              SetClassesText(key + "\\" + Hex(lib.lcid) + "\\win32", nullptr, fullPath);
    for (const TypeInfo& type : lib.types) {
        if (ok && type.kind == TypeKind::Dispatch)
            ok = RegisterInterface(lib, type);
    }
    return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT UnRegisterTypeLib(const TypeLibInfo& lib) {
    std::string key = VersionKey(lib);
    if (!winpal::ClassesText(key + "\\" + Hex(lib.lcid) + "\\win32", nullptr))
        return TYPE_E_REGISTRYACCESS;
    std::string libid = GuidText(lib.libid);
    bool ok = true;
    for (const TypeInfo& type : lib.types) {
        if (type.kind != TypeKind::Dispatch)
            continue;
        // Another library may have registered the same interface since; leave it to that one.
        std::string interfaceKey = InterfaceKey(type);
        if (winpal::ClassesText(interfaceKey + "\\TypeLib", nullptr) == libid)
            ok = winpal::DeleteClassesTree(interfaceKey) && ok;
    }
    ok = winpal::DeleteClassesTree(key) && ok;
    std::string libraryKey = "TypeLib\\" + libid;
    if (ok && !winpal::ClassesKeyHasSubkeys(libraryKey))
        ok = winpal::DeleteClassesTree(libraryKey);
    return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

bool AfxOleRegisterTypeLib(HINSTANCE instance, REFGUID tlid, const char* helpDir) {
    const TypeLibInfo* lib = AfxLoadTypeLibResource(instance, 1);
    std::string path = winpal::ModuleFileName(instance);
    if (!lib || lib->libid != tlid || path.empty())
        return false;
    std::string folder = winpal::AnsiFromPath(winpal::PathFromAnsi(path).parent_path());
    return SUCCEEDED(RegisterTypeLib(*lib, path.c_str(), helpDir ? helpDir : folder.c_str()));
}

bool AfxOleUnregisterTypeLib(REFGUID tlid, WORD majorVersion, WORD minorVersion) {
    const TypeLibInfo* lib = OwnTypeLib(tlid);
    if (!lib || lib->majorVersion != majorVersion || lib->minorVersion != minorVersion)
        return false;
    return SUCCEEDED(UnRegisterTypeLib(*lib));
}

}  // namespace olectl
