#include "control_bench_support.h"

#include <cstdio>
#include <cstdlib>

#include <olectl/headless_site.h>
#include <winpal/dispatch.h>
#include <winpal/kernel.h>

namespace bench {
namespace fs = std::filesystem;

namespace {

HRESULT CallEntry(const fs::path& library, const char* entry) {
    HMODULE module = LoadLibraryA(library.c_str());
    auto function =
        reinterpret_cast<HRESULT (*)()>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
    return function ? function() : E_NOTIMPL;
}

DISPID Id(IDispatch* target, std::u16string name) {
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    target->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    return id;
}

}  // namespace

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

fs::path WorkDir(int argc, char** argv) {
    if (argc > 1)
        return argv[1];
    return fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::path("/tmp");
}

fs::path ProgramFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

fs::path RegisteredPrefix(const fs::path& root) {
    const fs::path prefix = root / "prefix";
    fs::remove_all(root);
    fs::create_directories(prefix);
    setenv("WINPAL_PREFIX", prefix.c_str(), 1);
    const fs::path bin = ProgramFolder();
    for (const char* library : {"oestore.so", "libquillbox.so", "wab32.so"}) {
        if (FAILED(CallEntry(bin / library, "DllRegisterServer"))) {
            std::fprintf(stderr, "registering %s failed\n", library);
            std::exit(1);
        }
    }
    return prefix;
}

double WithControl(const std::function<void(IDispatch*)>& job) {
    CoInitialize(nullptr);
    double seconds = 0;
    {
        olectl::HeadlessSite site;
        const auto start = Clock::now();
        if (FAILED(site.CreateControl("QUILLBOX.QuillboxCtrl.1")) ||
            FAILED(site.CreateControlWindow())) {
            std::fprintf(stderr, "the control cannot be made; is it registered?\n");
            std::exit(1);
        }
        seconds = Seconds(start);
        job(site.Dispatch());
    }
    CoUninitialize();
    return seconds;
}

winpal::Variant Call(IDispatch* target, const std::u16string& name,
                     const std::vector<winpal::Variant>& args) {
    winpal::Variant result;
    winpal::DispatchCall(target, Id(target, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args,
                         &result);
    return result;
}

void Put(IDispatch* target, const std::u16string& name, const winpal::Variant& value) {
    winpal::DispatchCall(target, Id(target, name), DISPATCH_PROPERTYPUT, {value});
}

winpal::ComPtr<IDispatch> Object(const winpal::Variant& value) {
    return winpal::ComPtr<IDispatch>::Share(value.Ptr()->pdispVal);
}

}  // namespace bench
