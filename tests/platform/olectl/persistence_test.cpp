// A control saved and loaded as hosts do it: through IPersistStreamInit (the values in exchange
// order) and IPersistPropertyBag (by name), with the version, the stock state and the control's
// own property; older versions are converted, newer ones and cut-short data refused.
#include <gtest/gtest.h>

#include <olectl/headless_site.h>
#include <property_bag.h>
#include <winpal/winpal.h>

#include "sample_factories.h"

namespace {

using sample::SampleControl;
using testsupport::MemoryPropertyBag;

class PersistenceTest : public testing::Test {
  protected:
    void SetUp() override { sample::UseSampleResources(); }

    // A new sample control and its persistence interfaces.
    struct Made {
        winpal::ComPtr<IDispatch> object;
        winpal::ComPtr<IPersistStreamInit> stream;
        winpal::ComPtr<IPersistPropertyBag> bag;
        SampleControl* control = nullptr;
    };
    Made Make() {
        Made made;
        EXPECT_EQ(CoCreateInstance(sample::CLSID_SampleControl, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDispatch, made.object.PutVoid()),
                  S_OK);
        EXPECT_EQ(made.object.As(IID_IPersistStreamInit, &made.stream), S_OK);
        EXPECT_EQ(made.object.As(IID_IPersistPropertyBag, &made.bag), S_OK);
        made.control =
            static_cast<SampleControl*>(static_cast<olectl::CCmdTarget*>(made.object.Get()));
        return made;
    }

    static winpal::ComPtr<IStream> StreamOf(const std::string& bytes) {
        winpal::ComPtr<IStream> stream;
        EXPECT_EQ(winpal::CreateStreamOnBytes(bytes, stream.Put()), S_OK);
        return stream;
    }
    static std::string Bytes(std::initializer_list<uint32_t> values) {
        std::string bytes;
        for (uint32_t value : values) {
            for (int i = 0; i < 4; ++i)
                bytes += static_cast<char>(value >> (8 * i));
        }
        return bytes;
    }
    static std::string Contents(IStream* stream) {
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        std::string bytes;
        char buffer[256];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0)
            bytes.append(buffer, got);
        return bytes;
    }

    sample::RegisteredSampleClasses classes;
};

TEST_F(PersistenceTest, InterfacesAndClassId) {
    Made made = Make();
    winpal::ComPtr<IPersist> persist;
    ASSERT_EQ(made.object.As(IID_IPersist, &persist), S_OK);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, sample::CLSID_SampleControl);
    EXPECT_EQ(made.bag->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, sample::CLSID_SampleControl);
    EXPECT_EQ(persist->GetClassID(nullptr), E_POINTER);
}

TEST_F(PersistenceTest, StreamRoundTripInExchangeOrder) {
    Made made = Make();
    made.control->SetValue(42);
    made.control->SetExtent(500, 600);
    EXPECT_EQ(made.stream->IsDirty(), S_OK);
    winpal::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    ASSERT_EQ(made.stream->Save(stream.Get(), FALSE), S_OK);
    EXPECT_EQ(made.stream->IsDirty(), S_OK) << "saved without clearing";
    ASSERT_EQ(made.stream->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(made.stream->IsDirty(), S_FALSE);
    // Version, extent, stock properties, the control's own value.
    const std::string expected = Bytes({SampleControl::kVersion, 500, 600, 0, 42});
    ULARGE_INTEGER size{};
    ASSERT_EQ(made.stream->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, expected.size());
    EXPECT_EQ(Contents(stream.Get()).substr(expected.size()), expected) << "the second save";

    Made loaded = Make();
    ASSERT_EQ(loaded.stream->Load(StreamOf(expected).Get()), S_OK);
    EXPECT_EQ(loaded.control->GetValue(), 42);
    EXPECT_EQ(loaded.control->ExtentX(), 500);
    EXPECT_EQ(loaded.control->ExtentY(), 600);
    EXPECT_EQ(loaded.control->GetVersionLoaded(), SampleControl::kVersion);
    EXPECT_EQ(loaded.stream->IsDirty(), S_FALSE);
}

TEST_F(PersistenceTest, PropertyBagRoundTripByName) {
    Made made = Make();
    made.control->SetValue(-7);
    MemoryPropertyBag bag;
    ASSERT_EQ(made.bag->Save(&bag, TRUE, TRUE), S_OK);
    ASSERT_EQ(bag.values.size(), 5u);
    EXPECT_EQ(bag.values[u"_Version"].Ptr()->lVal, static_cast<LONG>(SampleControl::kVersion));
    EXPECT_EQ(bag.values[u"_ExtentX"].Ptr()->lVal, SampleControl::kDefaultExtentX);
    EXPECT_EQ(bag.values[u"_ExtentY"].Ptr()->lVal, SampleControl::kDefaultExtentY);
    EXPECT_EQ(bag.values[u"_StockProps"].Ptr()->lVal, 0);
    EXPECT_EQ(bag.values[u"Value"].Ptr()->lVal, -7);

    Made loaded = Make();
    ASSERT_EQ(loaded.bag->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(loaded.control->GetValue(), -7);
    // A form file keeps text: "12" reads as 12. A property the bag lacks takes its default.
    bag.values[u"Value"] = winpal::Variant::Utf8("12");
    bag.values.erase(u"_ExtentX");
    ASSERT_EQ(loaded.bag->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(loaded.control->GetValue(), 12);
    EXPECT_EQ(loaded.control->ExtentX(), SampleControl::kDefaultExtentX);
}

TEST_F(PersistenceTest, OlderVersionsAreConvertedNewerOnesAndCutShortDataRefused) {
    struct Case {
        const char* name;
        std::string bytes;
        bool loads;
    };
    const std::vector<Case> cases = {
        {"version 1.0", Bytes({0x00010000, 1, 2, 0, 3}), true},
        {"version 0", Bytes({0, 1, 2, 0, 3}), true},
        {"version 2.4", Bytes({0x00020004, 1, 2, 0, 3}), false},
        {"cut short", Bytes({SampleControl::kVersion, 1, 2, 0}), false},
        {"empty", "", false},
        {"a stock property this control lacks", Bytes({SampleControl::kVersion, 1, 2, 1, 3}),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Made made = Make();
        made.control->SetValue(30);
        const HRESULT hr = made.stream->Load(StreamOf(c.bytes).Get());
        EXPECT_EQ(SUCCEEDED(hr), c.loads);
        // A refused load leaves the control as new, not half loaded.
        EXPECT_EQ(made.control->GetValue(), c.loads ? 3 : 5);
        EXPECT_EQ(made.control->ExtentX(), c.loads ? 1 : SampleControl::kDefaultExtentX);
    }
    MemoryPropertyBag newer;
    newer.values[u"_Version"] = winpal::Variant::I4(0x00030000);
    EXPECT_EQ(Make().bag->Load(&newer, nullptr), E_FAIL);
}

TEST_F(PersistenceTest, InitNewIsTheFrameworksReset) {
    Made made = Make();
    made.control->SetValue(99);
    made.control->SetExtent(1, 1);
    ASSERT_EQ(made.stream->Load(StreamOf(Bytes({0x00010000, 1, 2, 0, 3})).Get()), S_OK);
    EXPECT_EQ(made.control->GetVersionLoaded(), 0x00010000u);
    made.control->SetValue(99);
    ASSERT_EQ(made.bag->InitNew(), S_OK);
    EXPECT_EQ(made.control->GetValue(), 5);
    EXPECT_EQ(made.control->ExtentX(), SampleControl::kDefaultExtentX);
    EXPECT_EQ(made.control->GetVersionLoaded(), SampleControl::kVersion);
    EXPECT_EQ(made.stream->IsDirty(), S_FALSE);
    EXPECT_EQ(made.stream->Load(nullptr), E_POINTER);
}

}  // namespace
