// COleControl: the base of a control. It carries the window lifecycle a container drives through
// IControlWindow (create, destroy, draw, verbs), the ambient user mode, the modified flag,
// bound-property notification, resizing of the control's own window, and the property pages it
// lists.
#pragma once

#include <vector>

#include <winpal/winpal.h>

#include <olectl/gdi.h>
#include <olectl/interfaces.h>
#include <olectl/object.h>

namespace olectl {

class COleControl : public CCmdTarget, public IControlWindow, public ISpecifyPropertyPages {
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

    void* GetInterface(REFIID riid) override;

  private:
    winpal::ComPtr<IControlSite> site_;
    bool modified_ = false;
};

}  // namespace olectl
