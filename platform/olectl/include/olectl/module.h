// The module state of the library this framework is linked into (each library has its own, as
// MFC keeps one per module): its instance handle, its resources, and the counts of live objects
// and server locks that DllCanUnloadNow consults.
#pragma once

#include <map>
#include <string>

#include <winpal/resources.h>
#include <winpal/types.h>

#include <olectl/typelib.h>

namespace olectl {

// An image resource as XPM text: the rows X and Qt read (width, height, colours, pixels).
using XpmImage = const char* const*;

// A library's resources, by id: its string table, its TYPELIB resources, its bitmaps and icons
// and its version resource.
struct ModuleResources {
    const char* appName;  // the module's name: the source of the automation errors it raises
    std::map<UINT, const char*> strings;
    std::map<UINT, const TypeLibInfo*> typeLibs;
    std::map<UINT, XpmImage> bitmaps = {};
    std::map<UINT, XpmImage> icons = {};
    const winpal::VersionInfo* version = nullptr;
};

// The module object of a library (COleControlModule): constructing it, as a static object of the
// library, hands the library's resources to its module state.
class COleControlModule {
  public:
    explicit COleControlModule(const ModuleResources& resources);
    COleControlModule(const COleControlModule&) = delete;
    COleControlModule& operator=(const COleControlModule&) = delete;
};

// The library containing this code (its loader handle).
HINSTANCE AfxGetInstanceHandle();
const char* AfxGetAppName();
// The string resource `id` of the running module; empty text when there is none.
std::string AfxLoadString(UINT id);
// The TYPELIB resource `id` of the module `instance`; null when the module has none.
const TypeLibInfo* AfxLoadTypeLibResource(HINSTANCE instance, UINT id);
// The bitmap or icon resource `id` of the running module; null when there is none.
XpmImage AfxLoadBitmap(UINT id);
XpmImage AfxLoadIcon(UINT id);
// The resource `id` of `type` in the form Windows keeps it, for the library's exported
// resource finder (winpal/resources.h): RT_VERSION its VS_VERSIONINFO block, RT_BITMAP a
// device-independent bitmap (24 bits a pixel), RT_GROUP_ICON an icon directory of one image and
// RT_ICON that image (32 bits a pixel with its mask). Made once and kept for the module's life.
BOOL AfxFindResource(WORD type, WORD id, const void** data, DWORD* size);

// Counts a live automation object of the module (AfxOleLockApp / AfxOleUnlockApp).
void AfxOleLockApp();
void AfxOleUnlockApp();
// IClassFactory::LockServer.
void AfxOleLockServer(bool lock);
// S_OK when no object of the module lives, no server lock is held and no class object is
// referenced; S_FALSE otherwise.
HRESULT AfxDllCanUnloadNow();
LONG AfxLiveObjectCount();

// Owned by every COM object of the module: counts it as live for its whole life.
class ObjectLock {
  public:
    ObjectLock() { AfxOleLockApp(); }
    ~ObjectLock() { AfxOleUnlockApp(); }
    ObjectLock(const ObjectLock&) = delete;
    ObjectLock& operator=(const ObjectLock&) = delete;
};

// The reference count of a COM object: one reference for its maker at construction.
class RefCount {
  public:
    ULONG Add() { return ++count_; }
    ULONG Drop() { return --count_; }

  private:
    ULONG count_ = 1;
};

}  // namespace olectl
