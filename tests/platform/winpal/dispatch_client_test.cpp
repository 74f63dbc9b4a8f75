#include <gtest/gtest.h>

#include <vector>

#include <winpal/dispatch.h>

namespace {

using winpal::Variant;

// Records each Invoke; member 1 echoes its arguments' count and first argument, member 2
// fails with an exception, member 3 refuses its second rgvarg slot as a type mismatch,
// DISPID_NEWENUM hands out an enumerator over three copies of itself.
class Recorder final : public IDispatch, public IEnumVARIANT {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IEnumVARIANT) {
            *ppv = static_cast<IEnumVARIANT*>(this);
        } else if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* info, UINT* argErr) override {
        calls.push_back({id, flags, params->cArgs,
                         params->cNamedArgs ? params->rgdispidNamedArgs[0] : 0,
                         params->cArgs ? params->rgvarg[params->cArgs - 1].lVal : -1});
        if (id == 2) {
            info->scode = E_ACCESSDENIED;
            info->bstrDescription = SysAllocString(u"refused");
            return DISP_E_EXCEPTION;
        }
        if (id == 3 && params->cArgs == 3) {
            *argErr = 1;
            return DISP_E_TYPEMISMATCH;
        }
        if (id == DISPID_NEWENUM) {
            left = 3;
            result->vt = VT_UNKNOWN;
            result->punkVal = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        if (result) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(params->cArgs);
        }
        return S_OK;
    }
    HRESULT Next(ULONG, VARIANT* slot, ULONG* fetched) override {
        *fetched = 0;
        if (left == 0)
            return S_FALSE;
        --left;
        slot->vt = VT_DISPATCH;
        slot->pdispVal = this;
        AddRef();
        *fetched = 1;
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override { return E_NOTIMPL; }
    HRESULT Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

    struct Call {
        DISPID id;
        WORD flags;
        UINT args;
        DISPID named;
        LONG firstArg;
    };
    std::vector<Call> calls;
    ULONG refs = 1;
    int left = 0;
};

TEST(DispatchClient, ArgumentsArriveLastFirstAndPutsAreNamed) {
    Recorder object;
    Variant result;
    ASSERT_EQ(winpal::DispatchInvoke(&object, 1, DISPATCH_METHOD, {Variant::I4(7), Variant::I4(8)},
                                     &result),
              S_OK);
    EXPECT_EQ(result.Ptr()->lVal, 2);
    EXPECT_EQ(object.calls.back().firstArg, 7) << "the first argument is the last in rgvarg";
    ASSERT_EQ(winpal::DispatchPut(&object, 3, Variant::I2(5)), S_OK);
    EXPECT_EQ(object.calls.back().flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(object.calls.back().named, DISPID_PROPERTYPUT);
}

TEST(DispatchClient, ExceptionsReportTheirCodeAndDescription) {
    Recorder object;
    winpal::DispatchFailure failure;
    Variant result;
    EXPECT_EQ(winpal::DispatchGet(&object, 2, &result, {}, &failure), E_ACCESSDENIED);
    EXPECT_EQ(failure.hr, E_ACCESSDENIED);
    EXPECT_EQ(failure.description, u"refused");
}

TEST(DispatchClient, FailuresNameTheRawResultAndTheArgumentInCallOrder) {
    Recorder object;
    winpal::DispatchFailure failure;
    EXPECT_EQ(winpal::DispatchGet(&object, 2, nullptr, {}, &failure), E_ACCESSDENIED);
    EXPECT_EQ(failure.invokeResult, DISP_E_EXCEPTION);
    EXPECT_EQ(failure.argument, -1);
    EXPECT_EQ(
        winpal::DispatchInvoke(&object, 3, DISPATCH_METHOD,
                               {Variant::I4(1), Variant::I4(2), Variant::I4(3)}, nullptr, &failure),
        DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failure.invokeResult, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failure.argument, 1) << "rgvarg slot 1 of 3 is the second argument";
    EXPECT_TRUE(failure.description.empty());
}

TEST(DispatchClient, RawCallsPassResultArgumentErrorAndExceptionThrough) {
    Recorder object;
    EXCEPINFO info{};
    EXPECT_EQ(winpal::DispatchCall(&object, 2, DISPATCH_METHOD, {}, nullptr, &info),
              DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, E_ACCESSDENIED);
    EXPECT_EQ(winpal::Bstr::Adopt(info.bstrDescription).Utf8(), "refused");
    UINT argErr = 99;
    EXPECT_EQ(winpal::DispatchCall(&object, 3, DISPATCH_METHOD,
                                   {Variant::I4(1), Variant::I4(2), Variant::I4(3)}, nullptr,
                                   nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
    ASSERT_EQ(
        winpal::DispatchCall(&object, 4, DISPATCH_PROPERTYPUT, {Variant::I4(6), Variant::I4(9)}),
        S_OK);
    EXPECT_EQ(object.calls.back().named, DISPID_PROPERTYPUT);
    EXPECT_EQ(object.calls.back().firstArg, 6) << "the index comes first, the value last";
    ASSERT_EQ(winpal::DispatchCall(&object, 1, DISPATCH_METHOD, {}), S_OK)
        << "a call without a result slot";
}

TEST(DispatchClient, ForEachVisitsUntilToldToStopAndBalancesReferences) {
    Recorder object;
    int visited = 0;
    EXPECT_EQ(winpal::DispatchForEach(&object, [&](IDispatch*) { return ++visited < 3; }), S_OK);
    EXPECT_EQ(visited, 3);
    visited = 0;
    EXPECT_EQ(winpal::DispatchForEach(&object, [&](IDispatch*) { return ++visited < 2; }), S_OK);
    EXPECT_EQ(visited, 2);
    EXPECT_EQ(object.refs, 1u);
}

}  // namespace
