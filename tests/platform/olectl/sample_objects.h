// Automation objects for the framework tests: a sample object with one member of every kind, its
// type library, a sample control with a property page, and the module resources naming them.
#pragma once

#include <string>

#include <olectl/control.h>
#include <olectl/factory.h>
#include <olectl/object.h>
#include <olectl/propertypage.h>

namespace sample {

inline constexpr GUID LIBID_Sample = {
    0x1D2A1F57, 0x0C5E, 0x4C1B, {0x9E, 0x44, 0x51, 0x0A, 0x6F, 0x0C, 0x2B, 0x11}};
inline constexpr IID DIID_ISample = {
    0x1D2A1F57, 0x0C5E, 0x4C1B, {0x9E, 0x44, 0x51, 0x0A, 0x6F, 0x0C, 0x2B, 0x12}};
inline constexpr IID DIID_ISampleControl = {
    0x1D2A1F57, 0x0C5E, 0x4C1B, {0x9E, 0x44, 0x51, 0x0A, 0x6F, 0x0C, 0x2B, 0x13}};
inline constexpr CLSID CLSID_SampleControl = {
    0x1D2A1F57, 0x0C5E, 0x4C1B, {0x9E, 0x44, 0x51, 0x0A, 0x6F, 0x0C, 0x2B, 0x14}};
inline constexpr CLSID CLSID_SamplePage = {
    0x1D2A1F57, 0x0C5E, 0x4C1B, {0x9E, 0x44, 0x51, 0x0A, 0x6F, 0x0C, 0x2B, 0x15}};

const olectl::TypeLibInfo& SampleTypeLib();
// Hands the sample resources (strings 1 and 2, TYPELIB 1 unless `withTypeLib` is false) to the
// test program's module state.
void UseSampleResources(bool withTypeLib = true);

// One member of every kind the dispatch maps know.
class Sample : public olectl::CCmdTarget {
  public:
    SHORT GetCount() { return count; }
    SHORT GetLevel() { return level; }
    void SetLevel(SHORT value) { level = value; }
    std::string GetName() { return name; }
    bool Combine(LONG number, const std::string& text, bool flag);
    IDispatch* GetItem(const VARIANT& key);
    void Clear() { ++clears; }
    double Half(double value) { return value / 2; }
    void Fail() { olectl::ThrowError(E_ACCESSDENIED, "not allowed"); }

    SHORT count = 3;
    SHORT level = 0;
    std::string name = "sample";
    LONG lastNumber = 0;
    std::string lastText;
    bool lastFlag = false;
    VARTYPE lastKeyType = VT_EMPTY;
    int clears = 0;
    IDispatch* item = nullptr;  // what GetItem answers for the key 1, with a new reference

    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;
};

// A control that draws a frame, counts its lifecycle calls and can refuse its window. It
// persists its value ("Value", default 5) after its version, 2.3.
class SampleControl : public olectl::COleControl {
  public:
    SampleControl();
    ~SampleControl() override;

    static int created;
    static int destroyed;
    static int alive;
    static bool refuseWindow;

    static constexpr DWORD kVersion = 0x00020003;

    void Resize(LONG width, LONG height);
    SHORT GetValue() { return value_; }
    void SetValue(SHORT value);

  protected:
    int OnCreate() override;
    void OnDestroy() override;
    void OnDraw(olectl::DrawContext& dc, const olectl::RECT& bounds,
                const olectl::RECT& invalid) override;
    const char* GetPropertyFrameCaption() const override { return "Sample Properties"; }
    std::vector<CLSID> GetPropertyPageIds() const override { return {CLSID_SamplePage}; }
    const CLSID& GetControlClassId() const override { return CLSID_SampleControl; }
    void DoPropExchange(olectl::CPropExchange* pPX) override;
    const olectl::DispatchMap& GetDispatchMap() const override;
    const olectl::TypeInfo& GetDispatchInterface() const override;

  private:
    SHORT value_ = 5;
};

class SamplePage : public olectl::COlePropertyPage {
  public:
    SamplePage();
    static int applied;

  protected:
    void BuildPage(QWidget& page) override;
    void DoDataExchange() override { ++applied; }
};

}  // namespace sample
