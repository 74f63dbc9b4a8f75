// CQuillboxPropPage: the control's one property page, "General".
#pragma once

#include <olectl/propertypage.h>

class CQuillboxPropPage : public olectl::COlePropertyPage {
  public:
    CQuillboxPropPage();

  protected:
    void BuildPage(QWidget& page) override;
};
