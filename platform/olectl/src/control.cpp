// COleControl: the window lifecycle a container drives, the services controls use, and their
// persistence.
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
    if (IsEqualIID(riid, IID_IPersistStreamInit) || IsEqualIID(riid, IID_IPersist))
        return static_cast<IPersistStreamInit*>(this);
    if (IsEqualIID(riid, IID_IPersistPropertyBag))
        return static_cast<IPersistPropertyBag*>(this);
    return nullptr;
}

// ---- persistence ------------------------------------------------------------------------------

HRESULT COleControl::GetClassID(CLSID* pClassID) {
    if (!pClassID)
        return E_POINTER;
    *pClassID = GetControlClassId();
    return S_OK;
}

HRESULT COleControl::IsDirty() {
    return modified_ ? S_OK : S_FALSE;
}

HRESULT COleControl::LoadWith(CPropExchange& exchange) {
    DoPropExchange(&exchange);
    if (!exchange.Succeeded()) {
        OnResetState();
        SetModifiedFlag(false);
        return E_FAIL;
    }
    SetModifiedFlag(false);
    return S_OK;
}

HRESULT COleControl::SaveWith(CPropExchange& exchange, BOOL fClearDirty) {
    DoPropExchange(&exchange);
    if (!exchange.Succeeded())
        return STG_E_CANTSAVE;
    if (fClearDirty)
        SetModifiedFlag(false);
    return S_OK;
}

HRESULT COleControl::Load(IStream* pStm) {
    if (!pStm)
        return E_POINTER;
    StreamPropExchange exchange(pStm, true);
    return LoadWith(exchange);
}

HRESULT COleControl::Save(IStream* pStm, BOOL fClearDirty) {
    if (!pStm)
        return E_POINTER;
    StreamPropExchange exchange(pStm, false);
    return SaveWith(exchange, fClearDirty);
}

HRESULT COleControl::GetSizeMax(ULARGE_INTEGER* pCbSize) {
    if (!pCbSize)
        return E_POINTER;
    StreamPropExchange counting(nullptr, false);
    DoPropExchange(&counting);
    pCbSize->QuadPart = counting.BytesWritten();
    return S_OK;
}

HRESULT COleControl::InitNew() {
    OnResetState();
    SetModifiedFlag(false);
    return S_OK;
}

HRESULT COleControl::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
    if (!pPropBag)
        return E_POINTER;
    BagPropExchange exchange(pPropBag, pErrorLog, true);
    return LoadWith(exchange);
}

HRESULT COleControl::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
    if (!pPropBag)
        return E_POINTER;
    BagPropExchange exchange(pPropBag, nullptr, false);
    return SaveWith(exchange, fClearDirty);
}

void COleControl::DoPropExchange(CPropExchange* pPX) {
    ExchangeExtent(pPX);
    ExchangeStockProps(pPX);
}

void COleControl::OnResetState() {
    ResetPropExchange reset;
    DoPropExchange(&reset);
}

bool COleControl::ExchangeVersion(CPropExchange* pPX, DWORD version, bool convert) {
    ULONG exchanged = version;
    PX_ULong(pPX, "_Version", exchanged, version);
    if (!pPX->IsLoading())
        return pPX->Succeeded();
    if (exchanged != version && (!convert || exchanged > version))
        pPX->Fail();
    versionLoaded_ = exchanged;
    return pPX->Succeeded();
}

void COleControl::ExchangeExtent(CPropExchange* pPX) {
    PX_Long(pPX, "_ExtentX", extentX_, kDefaultExtentX);
    PX_Long(pPX, "_ExtentY", extentY_, kDefaultExtentY);
}

void COleControl::ExchangeStockProps(CPropExchange* pPX) {
    ULONG mask = GetStockPropMask();
    PX_ULong(pPX, "_StockProps", mask, GetStockPropMask());
    // A stock property this control does not persist cannot be read: in a stream its value
    // would be taken for the next property.
    if (pPX->IsLoading() && (mask & ~GetStockPropMask()) != 0)
        pPX->Fail();
}

}  // namespace olectl
