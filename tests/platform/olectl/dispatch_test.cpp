// Invoke and GetIDsOfNames over a dispatch map: coercion, flags, counts, puts and errors.
#include <gtest/gtest.h>

#include <vector>

#include <winpal/dispatch.h>
#include <winpal/winpal.h>

#include "sample_objects.h"

namespace {

using winpal::DispatchCall;
using winpal::Variant;

// A put whose named arguments the test chooses.
HRESULT Put(IDispatch* target, DISPID id, Variant value, EXCEPINFO* info = nullptr,
            DISPID named = DISPID_PROPERTYPUT, UINT namedCount = 1) {
    DISPPARAMS params{value.Ptr(), &named, 1, namedCount};
    return target->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, info, nullptr);
}

class DispatchTest : public testing::Test {
  protected:
    void SetUp() override { sample::UseSampleResources(); }
    winpal::ComPtr<sample::Sample> object = olectl::MakeObject<sample::Sample>();
};

TEST_F(DispatchTest, MethodArgumentsAreCoercedInDeclarationOrder) {
    Variant result;
    ASSERT_EQ(DispatchCall(object.Get(), 4, DISPATCH_METHOD,
                           {Variant::I2(7), Variant::Utf8("text"), Variant::I4(0)}, &result),
              S_OK);
    EXPECT_EQ(object->lastNumber, 7);
    EXPECT_EQ(object->lastText, "text");
    EXPECT_FALSE(object->lastFlag);
    ASSERT_EQ(result.Type(), VT_BOOL);
    EXPECT_EQ(result.Ptr()->boolVal, VARIANT_TRUE);

    ASSERT_EQ(DispatchCall(object.Get(), 4, DISPATCH_METHOD,
                           {Variant::Utf8("12"), Variant::I4(5), Variant::Bool(true)}, &result),
              S_OK);
    EXPECT_EQ(object->lastNumber, 12);
    EXPECT_EQ(object->lastText, "5");
    EXPECT_TRUE(object->lastFlag);
    EXPECT_EQ(result.Ptr()->boolVal, VARIANT_FALSE);
}

TEST_F(DispatchTest, ArgumentsPassedByReferenceAreRead) {
    LONG number = 41;
    Variant byRef;
    byRef.Ptr()->vt = VT_I4 | VT_BYREF;
    byRef.Ptr()->plVal = &number;
    ASSERT_EQ(DispatchCall(object.Get(), 4, DISPATCH_METHOD,
                           {byRef, Variant::Utf8(""), Variant::Bool(false)}),
              S_OK);
    EXPECT_EQ(object->lastNumber, 41);
}

TEST_F(DispatchTest, TextReachesTheMemberInTheAnsiCodePage) {
    ASSERT_EQ(
        DispatchCall(object.Get(), 4, DISPATCH_METHOD,
                     {Variant::I4(1), Variant::Text(u"caf\u00e9 \u20ac"), Variant::Bool(false)}),
        S_OK);
    EXPECT_EQ(object->lastText, "caf\xE9 \x80");
}

TEST_F(DispatchTest, FailedCoercionNamesTheArgumentInRgvarg) {
    UINT argErr = 99;
    EXPECT_EQ(DispatchCall(object.Get(), 4, DISPATCH_METHOD,
                           {Variant::Utf8("abc"), Variant::Utf8("x"), Variant::Bool(true)}, nullptr,
                           nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 2u);  // the first argument is the last rgvarg slot
    EXPECT_EQ(DispatchCall(object.Get(), 4, DISPATCH_METHOD,
                           {Variant::I4(1), Variant::Utf8("x"), Variant::Utf8("maybe")}, nullptr,
                           nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(object->lastText, "");  // the member was not called
    EXPECT_EQ(Put(object.Get(), 2, Variant::I4(70000)), DISP_E_OVERFLOW);
    EXPECT_EQ(object->level, 0);
}

TEST_F(DispatchTest, CountsAndNamesAreChecked) {
    EXPECT_EQ(DispatchCall(object.Get(), 4, DISPATCH_METHOD, {Variant::I4(1), Variant::Utf8("x")}),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(DispatchCall(object.Get(), 6, DISPATCH_METHOD, {Variant::I4(1)}),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(object->clears, 0);
    EXPECT_EQ(DispatchCall(object.Get(), 99, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(object->Invoke(6, sample::DIID_ISample, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                             nullptr),
              DISP_E_UNKNOWNINTERFACE);
    // A named argument on a call is not supported.
    Variant one = Variant::I4(1);
    DISPID named = 0;
    DISPPARAMS withName{one.Ptr(), &named, 1, 1};
    UINT argErr = 99;
    EXPECT_EQ(object->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &withName, nullptr, nullptr, &argErr),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(DispatchTest, MethodsNeedTheMethodFlagAndPropertiesAcceptEither) {
    EXPECT_EQ(DispatchCall(object.Get(), 6, DISPATCH_PROPERTYGET, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object->clears, 0);
    EXPECT_EQ(DispatchCall(object.Get(), 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(object->clears, 1);
    for (WORD flags : {DISPATCH_PROPERTYGET, DISPATCH_METHOD}) {
        Variant count;
        ASSERT_EQ(DispatchCall(object.Get(), 1, flags, {}, &count), S_OK);
        ASSERT_EQ(count.Type(), VT_I2);
        EXPECT_EQ(count.Ptr()->iVal, 3);
    }
    Variant half;
    ASSERT_EQ(DispatchCall(object.Get(), 7, DISPATCH_METHOD, {Variant::Utf8("5")}, &half), S_OK);
    ASSERT_EQ(half.Type(), VT_R8);
    EXPECT_DOUBLE_EQ(half.Ptr()->dblVal, 2.5);
}

TEST_F(DispatchTest, PutsFollowThePropertysSetter) {
    EXPECT_EQ(Put(object.Get(), 2, Variant::Utf8("9")), S_OK);
    EXPECT_EQ(object->level, 9);
    // The value must come as the named argument DISPID_PROPERTYPUT.
    EXPECT_EQ(Put(object.Get(), 2, Variant::I4(4), nullptr, DISPID_PROPERTYPUT, 0),
              DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(Put(object.Get(), 2, Variant::I4(4), nullptr, 0, 1), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(object->level, 9);
    // A property without a setter, and a method, cannot be put.
    EXPECT_EQ(Put(object.Get(), 1, Variant::I4(4)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Put(object.Get(), 6, Variant::I4(4)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object->count, 3);
}

TEST_F(DispatchTest, SetNotSupportedRaisesTheControlError) {
    EXCEPINFO info{};
    EXPECT_EQ(Put(object.Get(), 3, Variant::Utf8("other"), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(winpal::Bstr::Adopt(info.bstrDescription).Utf8(), "Property is read-only.");
    EXPECT_EQ(winpal::Bstr::Adopt(info.bstrSource).Utf8(), "Sample");
    EXPECT_EQ(object->name, "sample");
    // Without an EXCEPINFO the result is the same.
    EXPECT_EQ(Put(object.Get(), 3, Variant::Utf8("other")), DISP_E_EXCEPTION);
}

TEST_F(DispatchTest, ErrorsRaisedByMembersBecomeExceptions) {
    EXCEPINFO info{};
    EXPECT_EQ(DispatchCall(object.Get(), 8, DISPATCH_METHOD, {}, nullptr, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, E_ACCESSDENIED);
    EXPECT_EQ(winpal::Bstr::Adopt(info.bstrDescription).Utf8(), "not allowed");
    SysFreeString(info.bstrSource);
}

TEST_F(DispatchTest, VariantParametersKeepTheCallersType) {
    winpal::Bstr text = winpal::Bstr::FromUtf8("1");
    BSTR raw = text.Get();
    Variant byRef;
    byRef.Ptr()->vt = VT_BSTR | VT_BYREF;
    byRef.Ptr()->pbstrVal = &raw;
    ASSERT_EQ(DispatchCall(object.Get(), 5, DISPATCH_PROPERTYGET, {byRef}), S_OK);
    EXPECT_EQ(object->lastKeyType, VT_BSTR | VT_BYREF);
}

TEST_F(DispatchTest, ObjectResultsCarryOneReferenceForTheCaller) {
    auto item = olectl::MakeObject<sample::Sample>();
    object->item = item.Get();
    {
        Variant result;
        ASSERT_EQ(DispatchCall(object.Get(), 5, DISPATCH_PROPERTYGET, {Variant::I4(1)}, &result),
                  S_OK);
        ASSERT_EQ(result.Type(), VT_DISPATCH);
        EXPECT_EQ(result.Ptr()->pdispVal, static_cast<IDispatch*>(item.Get()));
        EXPECT_EQ(item->AddRef(), 3u);  // ours, the result's, this one
        item->Release();
    }
    // A caller that wants no result gets no reference either.
    ASSERT_EQ(DispatchCall(object.Get(), 5, DISPATCH_PROPERTYGET, {Variant::I4(1)}), S_OK);
    EXPECT_EQ(item->AddRef(), 2u);
    item->Release();
    // Nothing is a null dispatch.
    Variant nothing;
    ASSERT_EQ(DispatchCall(object.Get(), 5, DISPATCH_PROPERTYGET, {Variant::I4(2)}, &nothing),
              S_OK);
    EXPECT_EQ(nothing.Type(), VT_DISPATCH);
    EXPECT_EQ(nothing.Ptr()->pdispVal, nullptr);
    object->item = nullptr;
}

TEST_F(DispatchTest, NamesAreFoundWithoutRegardToCase) {
    std::u16string member = u"cOmBiNe";
    std::u16string param = u"STRTEXT";
    LPOLESTR names[] = {member.data(), param.data()};
    DISPID ids[2] = {};
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], 1);

    std::u16string unknownParam = u"strOther";
    names[1] = unknownParam.data();
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    std::u16string unknown = u"Combined";
    names[0] = unknown.data();
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(object->GetIDsOfNames(sample::DIID_ISample, names, 1, 0, ids),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, InterfacesAndLifetime) {
    LONG before = olectl::AfxLiveObjectCount();
    IDispatch* extra = nullptr;
    {
        auto other = olectl::MakeObject<sample::Sample>();
        EXPECT_EQ(olectl::AfxLiveObjectCount(), before + 1);
        ASSERT_EQ(other->QueryInterface(sample::DIID_ISample, reinterpret_cast<void**>(&extra)),
                  S_OK);
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(other->QueryInterface(sample::DIID_ISampleControl, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
    }
    EXPECT_EQ(olectl::AfxLiveObjectCount(), before + 1);  // `extra` keeps it alive
    EXPECT_EQ(extra->Release(), 0u);
    EXPECT_EQ(olectl::AfxLiveObjectCount(), before);
}

TEST(DispatchMapTest, DifferencesFromTheTypeLibraryAreListed) {
    sample::UseSampleResources();
    auto object = olectl::MakeObject<sample::Sample>();
    const olectl::TypeInfo& info = *sample::SampleTypeLib().Find(sample::DIID_ISample);
    const olectl::DispatchMap& map = object->GetDispatchMap();
    EXPECT_TRUE(olectl::CompareWithTypeInfo(map, info).empty());

    olectl::TypeInfo changed = info;
    changed.members[3].params[0].type = VT_I2;             // Combine's iNumber
    changed.members[1].flags = olectl::VARFLAG_FREADONLY;  // Level
    changed.members.pop_back();                            // Fail
    auto differences = olectl::CompareWithTypeInfo(map, changed);
    ASSERT_EQ(differences.size(), 3u);
    EXPECT_NE(differences[0].find("Level"), std::string::npos);
    EXPECT_NE(differences[1].find("iNumber"), std::string::npos);
    EXPECT_NE(differences[2].find("dispatch id 8"), std::string::npos);
}

}  // namespace
