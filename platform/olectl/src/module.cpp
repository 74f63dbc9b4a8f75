// The module state: one per library that links the framework (the framework is built with
// hidden symbols, so each library binds to its own copy).
#include <olectl/module.h>

#include <winpal/winpal.h>

#include <olectl/factory.h>

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

std::string AfxLoadString(UINT id) {
    const ModuleResources* resources = State().resources;
    if (!resources)
        return {};
    auto found = resources->strings.find(id);
    return found == resources->strings.end() ? std::string() : std::string(found->second);
}

const TypeLibInfo* AfxLoadTypeLibResource(HINSTANCE instance, UINT id) {
    const ModuleResources* resources = State().resources;
    if (!resources || !instance || instance != AfxGetInstanceHandle())
        return nullptr;
    auto found = resources->typeLibs.find(id);
    return found == resources->typeLibs.end() ? nullptr : found->second;
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
