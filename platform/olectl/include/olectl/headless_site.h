// Hosts a control without a screen, for scripts and tests: the control's window is a rectangle
// in memory, and painting records the control's drawing in a metafile.
#pragma once

#include <olectl/container.h>
#include <olectl/metafile.h>

namespace olectl {

class HeadlessSiteWindow : public SiteWindow {
  public:
    explicit HeadlessSiteWindow(const RECT& rect) : rect_(rect) {}
    RECT WindowRect() const override { return rect_; }
    void SetWindowRect(const RECT& rect) override { rect_ = rect; }

  private:
    RECT rect_;
};

// The window rectangle is declared before the container so that it outlives the control's
// window, which may still resize itself while it is destroyed.
class HeadlessSite : private HeadlessSiteWindow, public ControlContainer {
  public:
    explicit HeadlessSite(const RECT& rect = RECT{0, 0, 241, 17})
        : HeadlessSiteWindow(rect), ControlContainer(static_cast<HeadlessSiteWindow&>(*this)) {}

    using HeadlessSiteWindow::WindowRect;
    // A WM_PAINT: the control draws on a new metafile, which is returned.
    Metafile Paint();
};

}  // namespace olectl
