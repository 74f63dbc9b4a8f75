// QtControlSite: a widget that is the hosted control's window.
#include <olectl/qt_site.h>

#include <QPaintEvent>
#include <QPainter>

#include <winpal/winpal.h>

namespace olectl {
namespace {

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

QRect ToQRect(const RECT& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

// The control's drawing calls on a QPainter.
class PainterDrawContext : public DrawContext {
  public:
    explicit PainterDrawContext(QPainter& painter) : painter_(painter) {}

    int SetBkMode(int mode) override {
        int previous = mode_;
        mode_ = mode;
        painter_.setBackgroundMode(mode == TRANSPARENT ? Qt::TransparentMode : Qt::OpaqueMode);
        return previous;
    }

    COLORREF SetTextColor(COLORREF color) override {
        COLORREF previous = textColor_;
        textColor_ = color;
        painter_.setPen(ToQColor(color));
        return previous;
    }

    void FillSolidRect(const RECT& rect, COLORREF color) override {
        painter_.fillRect(ToQRect(rect), ToQColor(color));
    }

    int DrawText(const char* text, int length, RECT* rect, UINT format) override {
        if (!text || !rect)
            return 0;
        std::string_view ansi = length < 0 ? std::string_view(text)
                                           : std::string_view(text, static_cast<size_t>(length));
        std::u16string wide = winpal::AnsiToWide(ansi);
        int flags = (format & DT_CENTER)  ? Qt::AlignHCenter
                    : (format & DT_RIGHT) ? Qt::AlignRight
                                          : Qt::AlignLeft;
        flags |= (format & DT_VCENTER)  ? Qt::AlignVCenter
                 : (format & DT_BOTTOM) ? Qt::AlignBottom
                                        : Qt::AlignTop;
        if (!(format & DT_SINGLELINE))
            flags |= Qt::TextWordWrap;
        QRect bounds;
        painter_.drawText(ToQRect(*rect), flags,
                          QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size())),
                          &bounds);
        return bounds.height();
    }

  private:
    QPainter& painter_;
    int mode_ = OPAQUE;
    COLORREF textColor_ = 0;
};

}  // namespace

QtControlSite::QtControlSite(QWidget* parent)
    : QWidget(parent), ControlContainer(static_cast<SiteWindow&>(*this)) {}

QtControlSite::~QtControlSite() {
    ReleaseControl();
}

RECT QtControlSite::WindowRect() const {
    QRect r = geometry();
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void QtControlSite::SetWindowRect(const RECT& rect) {
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

void QtControlSite::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PainterDrawContext dc(painter);
    DrawControl(dc);
}

void QtControlSite::showEvent(QShowEvent* event) {
    if (Dispatch() && !HasControlWindow())
        CreateControlWindow();
    QWidget::showEvent(event);
}

}  // namespace olectl
