// The container's side of hosting one control: it makes the control (by class), gives it a site,
// drives its window lifecycle and draws it. A site window (the screen's or a headless stand-in)
// supplies the rectangle the control's window occupies.
#pragma once

#include <functional>
#include <vector>

#include <winpal/winpal.h>

#include <olectl/interfaces.h>

namespace olectl {

// The window a container gives its control.
class SiteWindow {
  public:
    virtual RECT WindowRect() const = 0;
    virtual void SetWindowRect(const RECT& rect) = 0;

  protected:
    ~SiteWindow() = default;
};

class ControlContainer {
  public:
    explicit ControlContainer(SiteWindow& window);
    // Destroys the control's window and lets go of the control.
    ~ControlContainer();
    ControlContainer(const ControlContainer&) = delete;
    ControlContainer& operator=(const ControlContainer&) = delete;

    // Makes the control with CoCreateInstance. The control must offer IDispatch and
    // IControlWindow.
    HRESULT CreateControl(REFCLSID clsid);
    HRESULT CreateControl(const char* progId);
    // Creates and destroys the control's window (WM_CREATE, WM_DESTROY).
    HRESULT CreateControlWindow();
    HRESULT DestroyControlWindow();
    bool HasControlWindow() const { return hasWindow_; }
    // Destroys the window, when there is one, and lets go of the control.
    void ReleaseControl();

    // Lets the control draw itself on `dc` within its window's rectangle.
    HRESULT DrawControl(DrawContext& dc);
    HRESULT DoVerb(LONG verb);

    // The control's automation interface (no reference added); null without a control.
    IDispatch* Dispatch() const { return dispatch_.Get(); }

    // The ambient user mode the container reports: true runs the form, false is design mode.
    void SetUserMode(bool userMode);
    bool UserMode() const;
    // Bound-property changes the control announced, oldest first.
    const std::vector<DISPID>& ChangedProperties() const;
    void OnPropertyChanged(std::function<void(DISPID)> handler);

  private:
    class Site;
    winpal::ComPtr<Site> site_;
    winpal::ComPtr<IDispatch> dispatch_;
    winpal::ComPtr<IControlWindow> window_;
    bool hasWindow_ = false;
};

}  // namespace olectl
