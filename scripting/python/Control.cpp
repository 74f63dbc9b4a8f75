#include "Control.h"

#include "Errors.h"

namespace py = pybind11;

namespace quillbox {

Control::Control(const py::object& prefix, const std::string& progId, bool userMode) {
    if (!prefix.is_none()) {
        py::object os = py::module_::import("os");
        os.attr("environ")["WINPAL_PREFIX"] = os.attr("fspath")(prefix);
    }
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    site_ = std::make_unique<olectl::HeadlessSite>();
    HRESULT hr = site_->CreateControl(progId.c_str());
    if (FAILED(hr)) {
        Close();
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
