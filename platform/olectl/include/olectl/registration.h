// Registry entries of controls, property pages and type libraries, as the framework writes them
// under HKEY_CLASSES_ROOT:
//
// control class      CLSID\{clsid} = type name; ProgID; InprocServer32 = library path with
//                    ThreadingModel; ToolboxBitmap32 = "path, bitmap id"; MiscStatus = "0" and
//                    MiscStatus\1 = the status in decimal; Control; TypeLib = {tlid};
//                    Version = "major.minor"; Insertable when asked for;
//                    ProgID key = type name, with CLSID = {clsid} (and Insertable)
// property page      CLSID\{clsid} = type name; InprocServer32 = library path with ThreadingModel
// type library       TypeLib\{libid}\major.minor = help string, with FLAGS, HELPDIR and
//                    lcid\win32 = library path (version, lcid and flags in hexadecimal);
//                    Interface\{iid} = name, with ProxyStubClsid, ProxyStubClsid32 (the
//                    automation marshaler) and TypeLib = {libid} (value Version) for every
//                    dispinterface
#pragma once

#include <string>

#include <winpal/types.h>
#include <winpal/winpal.h>

#include <olectl/typelib.h>

namespace olectl {

constexpr int afxRegDefault = 0x0;
constexpr int afxRegInsertable = 0x1;
constexpr int afxRegApartmentThreading = 0x2;
constexpr int afxRegFreeThreading = 0x4;

// The automation marshaler (PSDispatch) that serves dispinterfaces.
inline constexpr CLSID CLSID_PSDispatch = {
    0x00020420, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

using winpal::GuidText;

bool AfxOleRegisterControlClass(HINSTANCE instance, REFCLSID clsid, const char* progId,
                                UINT idTypeName, UINT idBitmap, int regFlags, DWORD miscStatus,
                                REFGUID tlid, WORD majorVersion, WORD minorVersion);
bool AfxOleRegisterPropertyPageClass(HINSTANCE instance, REFCLSID clsid, UINT idTypeName,
                                     int regFlags);
// Removes CLSID\{clsid} and, when given, the ProgID key, each with everything below it.
bool AfxOleUnregisterClass(REFCLSID clsid, const char* progId);

// Registers TYPELIB resource 1 of `instance`, which must be the library `tlid`; the help folder
// defaults to the library's own folder.
bool AfxOleRegisterTypeLib(HINSTANCE instance, REFGUID tlid, const char* helpDir = nullptr);
// Unregisters the type library of the running module registered as `tlid`, version
// major.minor; false when it is not registered.
bool AfxOleUnregisterTypeLib(REFGUID tlid, WORD majorVersion, WORD minorVersion);

// RegisterTypeLib and UnRegisterTypeLib over type-library data. Unregistering removes the
// version key (and the library's key once no version is left) and the dispinterfaces' keys
// that name this library; TYPE_E_REGISTRYACCESS when the version is not registered.
HRESULT RegisterTypeLib(const TypeLibInfo& lib, const char* fullPath, const char* helpDir);
HRESULT UnRegisterTypeLib(const TypeLibInfo& lib);

}  // namespace olectl
