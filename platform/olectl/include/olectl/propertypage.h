// Property pages and the property frame, and the dialog services they share. Dialogs are Qt
// Widgets dialogs, shown only when the host runs a QApplication; elsewhere nothing is shown.
#pragma once

#include <vector>

#include <winpal/winpal.h>

#include <olectl/interfaces.h>
#include <olectl/module.h>

class QWidget;
class QFont;
class QSize;

namespace olectl {

// True when the calling thread runs the host's QApplication, so that widgets can be shown.
bool WidgetsAvailable();

// Dialog units of a dialog template in pixels, for the dialog font (MapDialogRect): a horizontal
// unit is a quarter of the font's average character width, a vertical unit an eighth of its
// height.
QSize DialogUnitsToPixels(const QFont& font, int widthUnits, int heightUnits);
// The font of the framework's dialog templates: 8-point "MS Sans Serif", or its stand-in.
QFont DialogFont();

// Shows a modal frame titled `caption` holding one tab per page (made with CoCreateInstance of
// each page class), for `objects`; OK applies every page. S_FALSE when no widgets can be shown.
HRESULT OleCreatePropertyFrame(const char* caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages);

// COlePropertyPage: the base of a property page. Its caption is a string resource; its size is
// a dialog template's in dialog units; BuildPage fills the tab.
class COlePropertyPage : public IOlePropertyPage {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return refs_.Add(); }
    ULONG Release() override;

    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT Activate(void* parentWidget) override;
    HRESULT Apply() override;

  protected:
    COlePropertyPage(UINT captionId, int widthUnits, int heightUnits);
    virtual ~COlePropertyPage() = default;

    virtual void BuildPage(QWidget& page) = 0;
    // Moves values between the page and its objects; the framework's part is the post-processing.
    virtual void DoDataExchange() {}

    const std::vector<winpal::ComPtr<IUnknown>>& Objects() const { return objects_; }

  private:
    ObjectLock lock_;
    RefCount refs_;
    UINT captionId_;
    int widthUnits_;
    int heightUnits_;
    std::vector<winpal::ComPtr<IUnknown>> objects_;
};

}  // namespace olectl
