// A Qt widget that hosts a control: the widget is the control's window. Showing the widget the
// first time creates the control's window (unless the host created it already); destroying the
// widget destroys it. Paint events let the control draw on the widget.
#pragma once

#include <QWidget>

#include <olectl/container.h>

namespace olectl {

class QtControlSite : public QWidget, private SiteWindow, public ControlContainer {
  public:
    explicit QtControlSite(QWidget* parent = nullptr);
    ~QtControlSite() override;

    RECT WindowRect() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void SetWindowRect(const RECT& rect) override;
};

}  // namespace olectl
