#include "Control.h"

#include "Errors.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <winpal/installed_servers.h>
#include <winpal/kernel.h>
#include <winpal/winpal.h>

#include "install_layout.h"

namespace py = pybind11;

namespace quillbox {
namespace {

// The folder this module was loaded from: the build puts regsvr and the libraries beside it.
std::filesystem::path ModuleFolder() {
    char path[4096] = {};
    const HMODULE module = winpal::ModuleFromAddress(reinterpret_cast<const void*>(&ModuleFolder));
    if (GetModuleFileNameA(module, path, sizeof path) == 0)
        return {};
    return std::filesystem::path(path).parent_path();
}

// The servers installed with this module; none when it runs from the build tree.
std::optional<std::filesystem::path> InstalledServers() {
    return winpal::InstalledServerFolder(ModuleFolder(), install_layout::kServersFromPythonModule,
                                         install_layout::kServers);
}

// How to register the control and the store in the prefix: with the build's regsvr and
// libraries beside this module, or the installed ones.
std::string HowToRegister() {
    const std::optional<std::filesystem::path> installed = InstalledServers();
    const std::filesystem::path servers = installed ? *installed : ModuleFolder();
    const std::string regsvr = installed ? "regsvr" : (ModuleFolder() / "regsvr").string();
    const std::string prefix = winpal::PrefixPath().string();
    std::string advice = "register the control and the mail store there first:";
    for (const char* library : {"libquillbox.so", "oestore.so"}) {
        advice +=
            "\n  WINPAL_PREFIX='" + prefix + "' " + regsvr + " " + (servers / library).string();
    }
    return advice;
}

// An installed module registers the servers installed with it in the prefix when they are not
// registered there yet, and says so on the script's stderr. Built in the build tree, it has no
// installed servers and leaves registration to regsvr.
void RegisterInstalledServers() {
    const std::optional<std::filesystem::path> folder = InstalledServers();
    if (!folder)
        return;
    const std::vector<std::string> lines =
        winpal::RegisterInstalledServers(*folder, install_layout::kServers, "quillbox");
    if (lines.empty())
        return;
    py::object stderr_ = py::module_::import("sys").attr("stderr");
    for (const std::string& line : lines)
        stderr_.attr("write")(line + "\n");
    stderr_.attr("flush")();
}

}  // namespace

Control::Control(const py::object& prefix, const std::string& progId, bool userMode) {
    if (!prefix.is_none()) {
        py::object os = py::module_::import("os");
        os.attr("environ")["WINPAL_PREFIX"] = os.attr("fspath")(prefix);
    }
    RegisterInstalledServers();
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    site_ = std::make_unique<olectl::HeadlessSite>();
    HRESULT hr = site_->CreateControl(progId.c_str());
    if (FAILED(hr)) {
        Close();
        if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
            RaiseComError(progId + " is not registered in the prefix " +
                              winpal::PrefixPath().string() + " (WINPAL_PREFIX)",
                          hr, HowToRegister());
        }
        RaiseComError("making " + progId, hr);
    }
    site_->SetUserMode(userMode);
    hr = site_->CreateControlWindow();
    if (FAILED(hr)) {
        Close();
        RaiseComError("creating the window of " + progId, hr);
    }
    Attach(winpal::ComPtr<IDispatch>::Share(site_->Dispatch()));
}

Control::~Control() {
    Close();
}

void Control::Close() {
    Release();
    site_.reset();
    if (comInitialized_) {
        CoUninitialize();
        comInitialized_ = false;
    }
}

}  // namespace quillbox
