// Property pages, the property frame, and the dialog services they share.
#include <olectl/propertypage.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QSize>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include <winpal/winpal.h>

namespace olectl {
namespace {

QString FromAnsi(const std::string& text) {
    std::u16string wide = winpal::AnsiToWide(text);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

LPOLESTR TaskMemText(const std::string& ansi) {
    std::u16string wide = winpal::AnsiToWide(ansi);
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (text)
        std::char_traits<char16_t>::copy(text, wide.c_str(), wide.size() + 1);
    return text;
}

struct FramePage {
    winpal::ComPtr<IOlePropertyPage> page;
    QString title;
    QSize size;
};

}  // namespace

bool WidgetsAvailable() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

QFont DialogFont() {
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

QSize DialogUnitsToPixels(const QFont& font, int widthUnits, int heightUnits) {
    // Without a GUI application there are no font metrics; the base units of the 8-point
    // dialog font at 96 dots per inch stand in.
    int baseX = 6;
    int baseY = 13;
    if (QGuiApplication::instance()) {
        QFontMetrics metrics(font);
        QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
        baseY = metrics.height();
    }
    return QSize(widthUnits * baseX / 4, heightUnits * baseY / 8);
}

HRESULT OleCreatePropertyFrame(const char* caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages) {
    if (!WidgetsAvailable())
        return S_FALSE;
    std::vector<FramePage> framePages;
    for (ULONG i = 0; i < pageCount; ++i) {
        FramePage entry;
        if (FAILED(CoCreateInstance(pages[i], nullptr, CLSCTX_INPROC_SERVER, IID_IOlePropertyPage,
                                    entry.page.PutVoid()))) {
            continue;
        }
        PROPPAGEINFO info{sizeof(PROPPAGEINFO), nullptr, 0, 0};
        if (FAILED(entry.page->GetPageInfo(&info)))
            continue;
        entry.title = info.pszTitle ? QString::fromUtf16(info.pszTitle) : QString();
        entry.size = QSize(info.width, info.height);
        CoTaskMemFree(info.pszTitle);
        entry.page->SetObjects(objectCount, objects);
        framePages.push_back(std::move(entry));
    }

    QDialog frame;
    frame.setWindowTitle(FromAnsi(caption ? caption : ""));
    auto* layout = new QVBoxLayout(&frame);
    auto* tabs = new QTabWidget(&frame);
    layout->addWidget(tabs);
    for (FramePage& entry : framePages) {
        auto* tab = new QWidget(tabs);
        tab->setMinimumSize(entry.size);
        entry.page->Activate(tab);
        tabs->addTab(tab, entry.title);
    }
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &frame);
    layout->addWidget(buttons);
    auto applyAll = [&framePages] {
        for (FramePage& entry : framePages)
            entry.page->Apply();
    };
    QObject::connect(buttons, &QDialogButtonBox::accepted, &frame, [&] {
        applyAll();
        frame.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &frame, &QDialog::reject);
    QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, &frame,
                     applyAll);
    frame.exec();
    for (FramePage& entry : framePages)
        entry.page->SetObjects(0, nullptr);
    return S_OK;
}

COlePropertyPage::COlePropertyPage(UINT captionId, int widthUnits, int heightUnits)
    : captionId_(captionId), widthUnits_(widthUnits), heightUnits_(heightUnits) {}

HRESULT COlePropertyPage::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOlePropertyPage)) {
        *ppv = static_cast<IOlePropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG COlePropertyPage::Release() {
    ULONG remaining = refs_.Drop();
    if (remaining == 0)
        delete this;
    return remaining;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info)
        return E_POINTER;
    QSize size = DialogUnitsToPixels(DialogFont(), widthUnits_, heightUnits_);
    info->pszTitle = TaskMemText(AfxLoadString(captionId_));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    info->width = size.width();
    info->height = size.height();
    return S_OK;
}

HRESULT COlePropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count > 0 && !objects)
        return E_POINTER;
    std::vector<winpal::ComPtr<IUnknown>> held;
    for (ULONG i = 0; i < count; ++i)
        held.push_back(winpal::ComPtr<IUnknown>::Share(objects[i]));
    objects_ = std::move(held);
    return S_OK;
}

HRESULT COlePropertyPage::Activate(void* parentWidget) {
    if (!parentWidget)
        return E_POINTER;
    auto* page = static_cast<QWidget*>(parentWidget);
    page->setFont(DialogFont());
    BuildPage(*page);
    return S_OK;
}

HRESULT COlePropertyPage::Apply() {
    DoDataExchange();
    return S_OK;
}

}  // namespace olectl
