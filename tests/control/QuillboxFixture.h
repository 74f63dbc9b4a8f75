// A Quillbox control in a headless site over the scripted store, with its classes put in place
// for CoCreateInstance; at the end every reference given out must have come back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include <dispatch_calls.h>
#include <olectl/factory.h>
#include <olectl/headless_site.h>
#include <registered_classes.h>

#include "ScriptedStore.h"
#include "control/QuillboxIds.h"

namespace testsupport {

class QuillboxFixture : public testing::Test {
  protected:
    void SetUp() override { classes_.emplace({CLSID_Quillbox, CLSID_QuillboxPropPage}); }

    void TearDown() override {
        site.reset();
        classes_.reset();
        store.lastStream.Reset();
        EXPECT_EQ(store.liveObjects, 0) << "store objects still referenced";
        EXPECT_EQ(store.openHandles, 0) << "enumerations not closed";
        EXPECT_EQ(store.unfreedProps, 0) << "message records not given back";
        EXPECT_EQ(olectl::AfxLiveObjectCount(), 0) << "Quillbox objects still referenced";
    }

    // Makes the control and its window; the store's calls start afresh afterwards when
    // `forgetCalls` is set.
    void Open(bool forgetCalls = false) {
        site = std::make_unique<olectl::HeadlessSite>();
        ASSERT_EQ(site->CreateControl(CLSID_Quillbox), S_OK);
        ASSERT_EQ(site->CreateControlWindow(), S_OK);
        if (forgetCalls)
            store.calls.clear();
    }

    IDispatch* Control() const { return site->Dispatch(); }

    // The control's folders collection (read afresh, as a host does).
    winpal::ComPtr<IDispatch> Folders() { return ObjectOf(CallByName(Control(), u"Folders")); }
    winpal::ComPtr<IDispatch> Messages() { return ObjectOf(CallByName(Control(), u"Messages")); }

    void SelectFolder(SHORT index) {
        ASSERT_EQ(winpal::DispatchCall(Control(), DispidOf(Control(), u"Folder"),
                                       DISPATCH_PROPERTYPUT, {winpal::Variant::I2(index)}),
                  S_OK);
    }

    // Folders A (1) holding A1 (2) and A2 (3), then B (4).
    void AddSampleTree() {
        store.AddFolder(0, 1, "A", 2);
        store.AddFolder(1, 2, "A1");
        store.AddFolder(1, 3, "A2");
        store.AddFolder(0, 4, "B");
    }

    ScriptedStore store;
    std::unique_ptr<olectl::HeadlessSite> site;

  private:
    std::optional<RegisteredModuleClasses> classes_;
};

}  // namespace testsupport
