// The module state: one per library that links the framework (the framework is built with
// hidden symbols, so each library binds to its own copy).
#include <olectl/module.h>

#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include <winpal/winpal.h>

#include <olectl/factory.h>

#include "resource_formats.h"

namespace olectl {
namespace {

struct ModuleState {
    const ModuleResources* resources = nullptr;
    LONG objectCount = 0;
    LONG lockCount = 0;
};

ModuleState& State() {
    static ModuleState state;
    return state;
}

}  // namespace

COleControlModule::COleControlModule(const ModuleResources& resources) {
    State().resources = &resources;
}

HINSTANCE AfxGetInstanceHandle() {
    return winpal::ModuleFromAddress(&State());
}

const char* AfxGetAppName() {
    const ModuleResources* resources = State().resources;
    return resources && resources->appName ? resources->appName : "";
}

namespace {

// Resource `id` of one of the module's tables; null when the module has no such resource.
template <class Value>
Value FindIn(std::map<UINT, Value> ModuleResources::*table, UINT id) {
    const ModuleResources* resources = State().resources;
    if (!resources)
        return nullptr;
    auto found = (resources->*table).find(id);
    return found == (resources->*table).end() ? nullptr : found->second;
}

}  // namespace

std::string AfxLoadString(UINT id) {
    const char* text = FindIn(&ModuleResources::strings, id);
    return text ? std::string(text) : std::string();
}

const TypeLibInfo* AfxLoadTypeLibResource(HINSTANCE instance, UINT id) {
    if (!instance || instance != AfxGetInstanceHandle())
        return nullptr;
    return FindIn(&ModuleResources::typeLibs, id);
}

XpmImage AfxLoadBitmap(UINT id) {
    return FindIn(&ModuleResources::bitmaps, id);
}

XpmImage AfxLoadIcon(UINT id) {
    return FindIn(&ModuleResources::icons, id);
}

namespace {

// The bytes of resource `id` of `type`, made from the table; nothing when there is none.
std::optional<std::string> MakeResource(const ModuleResources& resources, WORD type, WORD id) {
    switch (type) {
        case RT_VERSION_ID:
            if (id == VS_VERSION_INFO && resources.version)
                return winpal::EncodeVersionInfo(*resources.version);
            return std::nullopt;
        case RT_BITMAP_ID:
            if (XpmImage image = AfxLoadBitmap(id))
                return BitmapResource(image);
            return std::nullopt;
        case RT_GROUP_ICON_ID:
            if (XpmImage image = AfxLoadIcon(id))
                return IconDirectoryResource(image, id);
            return std::nullopt;
        case RT_ICON_ID:
            if (XpmImage image = AfxLoadIcon(id))
                return IconImageResource(image);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace

BOOL AfxFindResource(WORD type, WORD id, const void** data, DWORD* size) {
    const ModuleResources* resources = State().resources;
    if (!resources || !data || !size)
        return FALSE;
    static std::mutex mutex;
    static std::map<std::pair<WORD, WORD>, std::string> made;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = made.find({type, id});
    if (found == made.end()) {
        std::optional<std::string> bytes = MakeResource(*resources, type, id);
        if (!bytes)
            return FALSE;
        found = made.emplace(std::make_pair(type, id), std::move(*bytes)).first;
    }
    *data = found->second.data();
    *size = static_cast<DWORD>(found->second.size());
    return TRUE;
}

void AfxOleLockApp() {
    ++State().objectCount;
}

void AfxOleUnlockApp() {
    --State().objectCount;
}

void AfxOleLockServer(bool lock) {
    State().lockCount += lock ? 1 : -1;
}

LONG AfxLiveObjectCount() {
    return State().objectCount;
}

HRESULT AfxDllCanUnloadNow() {
    const ModuleState& state = State();
    bool busy = state.objectCount > 0 || state.lockCount > 0 || COleObjectFactory::AnyReferenced();
    return busy ? S_FALSE : S_OK;
}

}  // namespace olectl
