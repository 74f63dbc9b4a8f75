#include "sample_objects.h"

#include <QLabel>

namespace sample {

using olectl::MemberKind;

const olectl::TypeLibInfo& SampleTypeLib() {
    static const olectl::TypeLibInfo lib{
        "SAMPLELib",
        LIBID_Sample,
        1,
        2,
        0x409,
        0,
        "Sample Library",
        "Sample.hlp",
        {
            {olectl::TypeKind::Dispatch,
             "ISample",
             DIID_ISample,
             olectl::TYPEFLAG_FDISPATCHABLE,
             "",
             {
                 {1, "Count", MemberKind::Property, VT_I2, {}, olectl::VARFLAG_FREADONLY},
                 {2, "Level", MemberKind::Property, VT_I2, {}},
                 {3, "Name", MemberKind::Property, VT_BSTR, {}},
                 {4,
                  "Combine",
                  MemberKind::Method,
                  VT_BOOL,
                  {{"iNumber", VT_I4}, {"strText", VT_BSTR}, {"bFlag", VT_BOOL}}},
                 {5, "Item", MemberKind::PropertyGet, VT_DISPATCH, {{"Key", VT_VARIANT}}},
                 {6, "Clear", MemberKind::Method, VT_EMPTY, {}},
                 {7, "Half", MemberKind::Method, VT_R8, {{"dValue", VT_R8}}},
                 {8, "Fail", MemberKind::Method, VT_EMPTY, {}},
             },
             {}},
            {olectl::TypeKind::Dispatch,
             "ISampleControl",
             DIID_ISampleControl,
             olectl::TYPEFLAG_FDISPATCHABLE,
             "",
             {{1, "Value", MemberKind::Property, VT_I2, {}}},
             {}},
            {olectl::TypeKind::CoClass,
             "SampleControl",
             CLSID_SampleControl,
             olectl::TYPEFLAG_FCANCREATE | olectl::TYPEFLAG_FCONTROL,
             "",
             {},
             {{"ISampleControl", olectl::IMPLTYPEFLAG_FDEFAULT}}},
        }};
    return lib;
}

void UseSampleResources(bool withTypeLib) {
    static const olectl::ModuleResources full{
        "Sample",
        {{1, "Sample Control"}, {2, "Sample Page"}, {3, "Sample"}},
        {{1, &SampleTypeLib()}}};
    static const olectl::ModuleResources withoutTypeLib{
        "Sample", {{1, "Sample Control"}, {2, "Sample Page"}, {3, "Sample"}}, {}};
    olectl::COleControlModule module(withTypeLib ? full : withoutTypeLib);
}

bool Sample::Combine(LONG number, const std::string& text, bool flag) {
    lastNumber = number;
    lastText = text;
    lastFlag = flag;
    return !flag;
}

IDispatch* Sample::GetItem(const VARIANT& key) {
    lastKeyType = key.vt;
    if (key.vt == VT_I4 && key.lVal == 1 && item) {
        item->AddRef();
        return item;
    }
    return nullptr;
}

const olectl::DispatchMap& Sample::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&Sample::GetCount>(1),
        olectl::DispProperty<&Sample::GetLevel, &Sample::SetLevel>(2),
        olectl::DispProperty<&Sample::GetName, olectl::SetNotSupported>(3),
        olectl::DispMethod<&Sample::Combine>(4),
        olectl::DispProperty<&Sample::GetItem>(5),
        olectl::DispMethod<&Sample::Clear>(6),
        olectl::DispMethod<&Sample::Half>(7),
        olectl::DispMethod<&Sample::Fail>(8),
    };
    return map;
}

const olectl::TypeInfo& Sample::GetDispatchInterface() const {
    return *SampleTypeLib().Find(DIID_ISample);
}

int SampleControl::created = 0;
int SampleControl::destroyed = 0;
int SampleControl::alive = 0;
bool SampleControl::refuseWindow = false;

SampleControl::SampleControl() {
    ++alive;
}

SampleControl::~SampleControl() {
    --alive;
}

void SampleControl::Resize(LONG width, LONG height) {
    SetWindowPos(0, 0, width, height, olectl::SWP_NOMOVE | olectl::SWP_NOZORDER);
}

void SampleControl::SetValue(SHORT value) {
    SetModifiedFlag();
    if (!AmbientUserMode())
        BoundPropertyChanged(1);
    value_ = value;
}

void SampleControl::DoPropExchange(olectl::CPropExchange* pPX) {
    ExchangeVersion(pPX, kVersion, true);
    COleControl::DoPropExchange(pPX);
    LONG value = value_;
    olectl::PX_Long(pPX, "Value", value, 5);
    value_ = static_cast<SHORT>(value);
}

int SampleControl::OnCreate() {
    if (refuseWindow)
        return -1;
    ++created;
    return 0;
}

void SampleControl::OnDestroy() {
    ++destroyed;
}

void SampleControl::OnDraw(olectl::DrawContext& dc, const olectl::RECT& bounds,
                           const olectl::RECT&) {
    dc.FillSolidRect(bounds, olectl::RGB(0, 0, 255));
    olectl::RECT text = bounds;
    dc.DrawText(AmbientUserMode() ? "run" : "design", -1, &text, olectl::DT_CENTER);
}

const olectl::DispatchMap& SampleControl::GetDispatchMap() const {
    static const olectl::DispatchMap map{
        olectl::DispProperty<&SampleControl::GetValue, &SampleControl::SetValue>(1)};
    return map;
}

const olectl::TypeInfo& SampleControl::GetDispatchInterface() const {
    return *SampleTypeLib().Find(DIID_ISampleControl);
}

int SamplePage::applied = 0;

SamplePage::SamplePage() : COlePropertyPage(3, 100, 40) {}

void SamplePage::BuildPage(QWidget& page) {
    new QLabel(QStringLiteral("Sample page"), &page);
}

}  // namespace sample
