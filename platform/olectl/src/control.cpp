// COleControl: the window lifecycle a container drives, and the services controls use.
#include <olectl/control.h>

#include <olectl/propertypage.h>

namespace olectl {

COleControl::~COleControl() = default;

HRESULT COleControl::CreateControlWindow(IControlSite* site) {
    if (!site)
        return E_POINTER;
    if (site_)
        return E_UNEXPECTED;
    site_ = winpal::ComPtr<IControlSite>::Share(site);
    if (OnCreate() == -1) {
        site_.Reset();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT COleControl::DestroyControlWindow() {
    if (!site_)
        return S_FALSE;
    // The container may give up its last reference while the window goes away.
    AddRef();
    OnDestroy();
    site_.Reset();
    Release();
    return S_OK;
}

HRESULT COleControl::Draw(DrawContext* dc, const RECT* bounds) {
    if (!dc || !bounds)
        return E_POINTER;
    OnDraw(*dc, *bounds, *bounds);
    return S_OK;
}

HRESULT COleControl::DoVerb(LONG verb) {
    switch (verb) {
        case OLEIVERB_PROPERTIES:
            OnProperties();
            return S_OK;
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
            return S_OK;
        default:
            return E_NOTIMPL;
    }
}

HRESULT COleControl::GetPages(CAUUID* pages) {
    if (!pages)
        return E_POINTER;
    std::vector<CLSID> ids = GetPropertyPageIds();
    pages->cElems = 0;
    pages->pElems = nullptr;
    if (ids.empty())
        return S_OK;
    auto* elements = static_cast<GUID*>(CoTaskMemAlloc(ids.size() * sizeof(GUID)));
    if (!elements)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < ids.size(); ++i)
        elements[i] = ids[i];
    pages->cElems = static_cast<ULONG>(ids.size());
    pages->pElems = elements;
    return S_OK;
}

bool COleControl::AmbientUserMode() {
    if (!site_)
        return true;
    winpal::Variant value;
    if (FAILED(site_->GetAmbientProperty(DISPID_AMBIENT_USERMODE, value.Ptr())))
        return true;
    winpal::Variant asBool;
    if (FAILED(VariantChangeType(asBool.Ptr(), value.Ptr(), 0, VT_BOOL)))
        return true;
    return asBool.Ptr()->boolVal != VARIANT_FALSE;
}

void COleControl::BoundPropertyChanged(DISPID dispid) {
    if (site_)
        site_->OnPropertyChanged(dispid);
}

bool COleControl::SetWindowPos(LONG x, LONG y, LONG cx, LONG cy, UINT flags) {
    return site_ && SUCCEEDED(site_->SetWindowPos(x, y, cx, cy, flags));
}

void COleControl::OnProperties() {
    std::vector<CLSID> pages = GetPropertyPageIds();
    IUnknown* self = static_cast<IDispatch*>(this);
    OleCreatePropertyFrame(GetPropertyFrameCaption(), 1, &self, static_cast<ULONG>(pages.size()),
                           pages.data());
}

int COleControl::OnCreate() {
    return 0;
}

void COleControl::OnDestroy() {}

void* COleControl::GetInterface(REFIID riid) {
    if (IsEqualIID(riid, IID_IControlWindow))
        return static_cast<IControlWindow*>(this);
    if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
        return static_cast<ISpecifyPropertyPages*>(this);
    return nullptr;
}

}  // namespace olectl
