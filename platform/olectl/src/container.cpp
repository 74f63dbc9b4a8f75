// ControlContainer: makes a control, gives it a site and drives its window lifecycle.
#include <olectl/container.h>

#include <olectl/module.h>

namespace olectl {

// The COM object the control holds as its site. It may outlive the container (the control keeps
// its reference until its window is destroyed); it then answers without a window.
class ControlContainer::Site final : public IControlSite {
  public:
    explicit Site(SiteWindow& window) : window_(&window) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IControlSite)) {
            *ppv = static_cast<IControlSite*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return refs_.Add(); }
    ULONG Release() override {
        ULONG remaining = refs_.Drop();
        if (remaining == 0)
            delete this;
        return remaining;
    }

    HRESULT GetAmbientProperty(DISPID dispid, VARIANT* value) override {
        if (!value)
            return E_POINTER;
        VariantInit(value);
        if (dispid != DISPID_AMBIENT_USERMODE)
            return DISP_E_MEMBERNOTFOUND;
        value->vt = VT_BOOL;
        value->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT SetWindowPos(LONG x, LONG y, LONG cx, LONG cy, UINT flags) override {
        if (!window_)
            return E_UNEXPECTED;
        RECT rect = window_->WindowRect();
        if (!(flags & SWP_NOMOVE))
            rect = RECT{x, y, x + rect.Width(), y + rect.Height()};
        if (!(flags & SWP_NOSIZE)) {
            rect.right = rect.left + cx;
            rect.bottom = rect.top + cy;
        }
        window_->SetWindowRect(rect);
        return S_OK;
    }

    HRESULT GetWindowRect(RECT* rect) override {
        if (!rect)
            return E_POINTER;
        if (!window_)
            return E_UNEXPECTED;
        *rect = window_->WindowRect();
        return S_OK;
    }

    HRESULT OnPropertyChanged(DISPID dispid) override {
        changed.push_back(dispid);
        if (handler)
            handler(dispid);
        return S_OK;
    }

    void Detach() { window_ = nullptr; }

    bool userMode = true;
    std::vector<DISPID> changed;
    std::function<void(DISPID)> handler;

  private:
    ~Site() = default;

    SiteWindow* window_;
    RefCount refs_;
};

ControlContainer::ControlContainer(SiteWindow& window)
    : site_(winpal::ComPtr<Site>::Adopt(new Site(window))) {}

ControlContainer::~ControlContainer() {
    ReleaseControl();
    site_->Detach();
}

HRESULT ControlContainer::CreateControl(REFCLSID clsid) {
    ReleaseControl();
    winpal::ComPtr<IUnknown> control;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid());
    if (FAILED(hr))
        return hr;
    if (FAILED(control.As(IID_IDispatch, &dispatch_)) ||
        FAILED(control.As(IID_IControlWindow, &window_))) {
        dispatch_.Reset();
        window_.Reset();
        return E_NOINTERFACE;
    }
    return S_OK;
}

HRESULT ControlContainer::CreateControl(const char* progId) {
    if (!progId)
        return E_POINTER;
    CLSID clsid;
    std::u16string wide = winpal::AnsiToWide(progId);
    HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
    return FAILED(hr) ? hr : CreateControl(clsid);
}

HRESULT ControlContainer::CreateControlWindow() {
    if (!window_)
        return E_UNEXPECTED;
    if (hasWindow_)
        return S_FALSE;
    HRESULT hr = window_->CreateControlWindow(site_.Get());
    hasWindow_ = SUCCEEDED(hr);
    return hr;
}

HRESULT ControlContainer::DestroyControlWindow() {
    if (!hasWindow_)
        return S_FALSE;
    hasWindow_ = false;
    return window_->DestroyControlWindow();
}

void ControlContainer::ReleaseControl() {
    DestroyControlWindow();
    window_.Reset();
    dispatch_.Reset();
}

HRESULT ControlContainer::DrawControl(DrawContext& dc) {
    if (!window_)
        return E_UNEXPECTED;
    RECT rect{};
    site_->GetWindowRect(&rect);
    RECT bounds{0, 0, rect.Width(), rect.Height()};
    return window_->Draw(&dc, &bounds);
}

HRESULT ControlContainer::DoVerb(LONG verb) {
    return window_ ? window_->DoVerb(verb) : E_UNEXPECTED;
}

void ControlContainer::SetUserMode(bool userMode) {
    site_->userMode = userMode;
}

bool ControlContainer::UserMode() const {
    return site_->userMode;
}

const std::vector<DISPID>& ControlContainer::ChangedProperties() const {
    return site_->changed;
}

void ControlContainer::OnPropertyChanged(std::function<void(DISPID)> handler) {
    site_->handler = std::move(handler);
}

}  // namespace olectl
