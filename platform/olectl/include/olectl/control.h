// COleControl: the base of a control. It carries the window lifecycle a container drives through
// IControlWindow (create, destroy, draw, verbs), the ambient user mode, the modified flag,
// bound-property notification, resizing of the control's own window, the property pages it
// lists, and the persistence hosts use to save and load it (IPersistStreamInit,
// IPersistPropertyBag) over the properties DoPropExchange names.
#pragma once

#include <vector>

#include <winpal/winpal.h>

#include <olectl/gdi.h>
#include <olectl/interfaces.h>
#include <olectl/object.h>
#include <olectl/persist.h>

namespace olectl {

class COleControl : public CCmdTarget,
                    public IControlWindow,
                    public ISpecifyPropertyPages,
                    public IPersistStreamInit,
                    public IPersistPropertyBag {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return CCmdTarget::QueryInterface(riid, ppv);
    }
    ULONG AddRef() override { return CCmdTarget::AddRef(); }
    ULONG Release() override { return CCmdTarget::Release(); }

    HRESULT CreateControlWindow(IControlSite* site) override;
    HRESULT DestroyControlWindow() override;
    HRESULT Draw(DrawContext* dc, const RECT* bounds) override;
    HRESULT DoVerb(LONG verb) override;

    HRESULT GetPages(CAUUID* pages) override;

    // Persistence. Load and InitNew leave the control unmodified; Save with fClearDirty too. A
    // stream or bag the exchange cannot read leaves the control reset, and fails.
    HRESULT GetClassID(CLSID* pClassID) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* pStm) override;
    HRESULT Save(IStream* pStm, BOOL fClearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* pCbSize) override;
    HRESULT InitNew() override;
    HRESULT Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    HRESULT Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    // The version the last load found ("_Version"); the control's own after a reset.
    DWORD GetVersionLoaded() const { return versionLoaded_; }
    // The control's extent in HIMETRIC units, kept with its stock state.
    LONG ExtentX() const { return extentX_; }
    LONG ExtentY() const { return extentY_; }
    void SetExtent(LONG cx, LONG cy) {
        extentX_ = cx;
        extentY_ = cy;
    }

    // DISPID_AMBIENT_USERMODE of the container; TRUE (run mode) when it does not say.
    bool AmbientUserMode();
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }
    bool IsModified() const { return modified_; }
    // Tells the container that the bound property `dispid` changed.
    void BoundPropertyChanged(DISPID dispid);
    // Moves or sizes the control's own window; false when it has none.
    bool SetWindowPos(LONG x, LONG y, LONG cx, LONG cy, UINT flags);
    bool HasWindow() const { return static_cast<bool>(site_); }
    // The OLE "Properties" verb: shows the control's property pages in a frame.
    void OnProperties();

  protected:
    COleControl() = default;
    ~COleControl() override;

    // WM_CREATE after the framework's own handling; -1 refuses the window.
    virtual int OnCreate();
    // WM_DESTROY, called while the window still exists.
    virtual void OnDestroy();
    virtual void OnDraw(DrawContext& dc, const RECT& bounds, const RECT& invalid) = 0;
    // The caption of the property frame and the pages it shows.
    virtual const char* GetPropertyFrameCaption() const = 0;
    virtual std::vector<CLSID> GetPropertyPageIds() const = 0;
    // The control's class identifier, which IPersist answers.
    virtual const CLSID& GetControlClassId() const = 0;

    // The control's persistent properties. The framework's version exchanges its stock state:
    // the extent ("_ExtentX", "_ExtentY") and the stock properties ("_StockProps", a mask of the
    // stock properties that follow). A control exchanges its version first, then calls it.
    virtual void DoPropExchange(CPropExchange* pPX);
    // The framework's reset: every property DoPropExchange names takes its default.
    virtual void OnResetState();
    // Exchanges the version ("_Version"). Loading an older version is accepted when `convert`
    // (the control converts what it reads); a newer one, or another one without `convert`,
    // fails the exchange. Returns whether the exchange still holds.
    bool ExchangeVersion(CPropExchange* pPX, DWORD version, bool convert = true);
    void ExchangeExtent(CPropExchange* pPX);
    void ExchangeStockProps(CPropExchange* pPX);
    // The stock properties the control persists; the framework defines none yet.
    virtual DWORD GetStockPropMask() const { return 0; }

    void* GetInterface(REFIID riid) override;

  private:
    HRESULT LoadWith(CPropExchange& exchange);
    HRESULT SaveWith(CPropExchange& exchange, BOOL fClearDirty);

    winpal::ComPtr<IControlSite> site_;
    bool modified_ = false;
    DWORD versionLoaded_ = 0;
    // 100 x 50 pixels at 96 dots per inch, the framework's initial size.
    LONG extentX_ = kDefaultExtentX;
    LONG extentY_ = kDefaultExtentY;

  public:
    static constexpr LONG kDefaultExtentX = 2646;
    static constexpr LONG kDefaultExtentY = 1323;
};

}  // namespace olectl
