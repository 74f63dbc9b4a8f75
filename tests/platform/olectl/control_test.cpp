// A control hosted by the headless site: window lifecycle, ambient user mode, bound properties,
// drawing, resizing, verbs and property pages.
#include <gtest/gtest.h>

#include <olectl/headless_site.h>
#include <winpal/dispatch.h>

#include "sample_factories.h"

namespace {

using olectl::Metafile;
using olectl::RECT;

class ControlTest : public testing::Test {
  protected:
    void SetUp() override {
        sample::UseSampleResources();
        sample::SampleControl::created = 0;
        sample::SampleControl::destroyed = 0;
        sample::SampleControl::refuseWindow = false;
    }
    void TearDown() override { EXPECT_EQ(sample::SampleControl::alive, 0); }

    static sample::SampleControl* ControlOf(olectl::ControlContainer& site) {
        return static_cast<sample::SampleControl*>(
            static_cast<olectl::CCmdTarget*>(site.Dispatch()));
    }

    sample::RegisteredSampleClasses classes;
};

TEST_F(ControlTest, ContainerDrivesTheWindowLifecycle) {
    {
        olectl::HeadlessSite site;
        ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
        EXPECT_EQ(sample::SampleControl::alive, 1);
        EXPECT_FALSE(ControlOf(site)->HasWindow());
        ASSERT_EQ(site.CreateControlWindow(), S_OK);
        EXPECT_EQ(sample::SampleControl::created, 1);
        EXPECT_TRUE(ControlOf(site)->HasWindow());
        EXPECT_EQ(site.CreateControlWindow(), S_FALSE);
        EXPECT_EQ(sample::SampleControl::created, 1);
        ASSERT_EQ(site.DestroyControlWindow(), S_OK);
        EXPECT_EQ(sample::SampleControl::destroyed, 1);
        EXPECT_EQ(site.DestroyControlWindow(), S_FALSE);
        ASSERT_EQ(site.CreateControlWindow(), S_OK);
    }
    // The container's end destroys the window and lets go of the control.
    EXPECT_EQ(sample::SampleControl::destroyed, 2);
}

TEST_F(ControlTest, RefusedWindowLeavesNoWindow) {
    sample::SampleControl::refuseWindow = true;
    olectl::HeadlessSite site;
    ASSERT_EQ(site.CreateControl("SAMPLE.SampleCtrl.1"), CO_E_CLASSSTRING);  // no ProgID yet
    ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
    EXPECT_EQ(site.CreateControlWindow(), E_FAIL);
    EXPECT_FALSE(site.HasControlWindow());
    EXPECT_FALSE(ControlOf(site)->HasWindow());
    site.ReleaseControl();
    EXPECT_EQ(sample::SampleControl::destroyed, 0);
}

TEST_F(ControlTest, BoundPropertyChangesAreAnnouncedInDesignModeOnly) {
    olectl::HeadlessSite site;
    ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
    ASSERT_EQ(site.CreateControlWindow(), S_OK);
    const winpal::Variant value = winpal::Variant::I2(9);
    ASSERT_EQ(winpal::DispatchCall(site.Dispatch(), 1, DISPATCH_PROPERTYPUT, {value}), S_OK);
    EXPECT_TRUE(ControlOf(site)->IsModified());
    EXPECT_TRUE(ControlOf(site)->AmbientUserMode());
    EXPECT_TRUE(site.ChangedProperties().empty());
    site.SetUserMode(false);
    EXPECT_FALSE(ControlOf(site)->AmbientUserMode());
    ASSERT_EQ(winpal::DispatchCall(site.Dispatch(), 1, DISPATCH_PROPERTYPUT, {value}), S_OK);
    EXPECT_EQ(site.ChangedProperties(), std::vector<DISPID>{1});
    EXPECT_EQ(ControlOf(site)->GetValue(), 9);
}

TEST_F(ControlTest, DrawingAndResizingGoThroughTheSite) {
    olectl::HeadlessSite site(RECT{10, 20, 110, 50});
    ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
    ASSERT_EQ(site.CreateControlWindow(), S_OK);
    Metafile run = site.Paint();
    ASSERT_EQ(run.Records().size(), 2u);
    EXPECT_EQ(run.Records()[0].call, Metafile::Call::FillSolidRect);
    EXPECT_EQ(run.Records()[0].rect, (RECT{0, 0, 100, 30}));
    EXPECT_EQ(run.Records()[0].color, olectl::RGB(0, 0, 255));
    EXPECT_EQ(run.Records()[1].text, "run");
    site.SetUserMode(false);
    EXPECT_EQ(site.Paint().Records()[1].text, "design");

    ControlOf(site)->Resize(1, 1);
    EXPECT_EQ(site.WindowRect(), (RECT{10, 20, 11, 21}));  // the position stays
    EXPECT_EQ(site.Paint().Records()[0].rect, (RECT{0, 0, 1, 1}));
}

TEST_F(ControlTest, ControlOutlivingItsContainerHasNoWindow) {
    winpal::ComPtr<IDispatch> kept;
    {
        olectl::HeadlessSite site;
        ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
        ASSERT_EQ(site.CreateControlWindow(), S_OK);
        kept = winpal::ComPtr<IDispatch>::Share(site.Dispatch());
    }
    EXPECT_EQ(sample::SampleControl::alive, 1);
    auto* control =
        static_cast<sample::SampleControl*>(static_cast<olectl::CCmdTarget*>(kept.Get()));
    EXPECT_FALSE(control->HasWindow());
    control->Resize(5, 5);  // nothing to resize, nothing to crash
    kept.Reset();
}

TEST_F(ControlTest, VerbsAndPropertyPages) {
    olectl::HeadlessSite site;
    ASSERT_EQ(site.CreateControl(sample::CLSID_SampleControl), S_OK);
    winpal::ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(
        winpal::ComPtr<IDispatch>::Share(site.Dispatch()).As(IID_ISpecifyPropertyPages, &pages),
        S_OK);
    CAUUID ids{};
    ASSERT_EQ(pages->GetPages(&ids), S_OK);
    ASSERT_EQ(ids.cElems, 1u);
    EXPECT_EQ(ids.pElems[0], sample::CLSID_SamplePage);
    CoTaskMemFree(ids.pElems);
    // Without a QApplication the properties verb shows nothing and returns at once.
    EXPECT_EQ(site.DoVerb(OLEIVERB_PROPERTIES), S_OK);
    EXPECT_EQ(site.DoVerb(-99), E_NOTIMPL);
}

}  // namespace
