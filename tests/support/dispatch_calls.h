// Automation calls for tests: late-bound calls by name as a script makes them, and the values
// their results hold. Calls by dispatch id go through winpal::DispatchCall.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <winpal/dispatch.h>
#include <winpal/winpal.h>

namespace testsupport {

inline DISPID DispidOf(IDispatch* target, std::u16string name) {
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(target->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << winpal::Utf16ToUtf8(name);
    return id;
}

// A call by name with DISPATCH_METHOD | DISPATCH_PROPERTYGET, as a script host makes it; a
// failure fails the test.
inline winpal::Variant CallByName(IDispatch* target, const std::u16string& name,
                                  const std::vector<winpal::Variant>& args = {}) {
    winpal::Variant result;
    EXPECT_EQ(winpal::DispatchCall(target, DispidOf(target, name),
                                   DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &result),
              S_OK)
        << winpal::Utf16ToUtf8(name);
    return result;
}

// What a call raises: the exception's code when it answers DISP_E_EXCEPTION, otherwise its own
// result (S_OK for a call that succeeded).
inline HRESULT RaisedBy(IDispatch* target, DISPID id, WORD flags,
                        const std::vector<winpal::Variant>& args) {
    EXCEPINFO info{};
    const HRESULT hr = winpal::DispatchCall(target, id, flags, args, nullptr, &info);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? info.scode : hr;
}

// The object a result holds, with a reference of its own (null for Nothing).
inline winpal::ComPtr<IDispatch> ObjectOf(const winpal::Variant& value) {
    if (value.Type() != VT_DISPATCH) {
        ADD_FAILURE() << "not an object: type " << value.Type();
        return nullptr;
    }
    return winpal::ComPtr<IDispatch>::Share(value.Ptr()->pdispVal);
}

inline std::string TextOf(const winpal::Variant& value) {
    EXPECT_EQ(value.Type(), VT_BSTR);
    if (value.Type() != VT_BSTR)
        return {};
    return winpal::Utf16ToUtf8(winpal::BstrView(value.Ptr()->bstrVal));
}

inline LONG NumberOf(const winpal::Variant& value) {
    winpal::Variant number;
    EXPECT_EQ(VariantChangeType(number.Ptr(), value.Ptr(), 0, VT_I4), S_OK);
    return number.Ptr()->lVal;
}

// An automation Boolean: true for -1, false for 0; anything else fails the test.
inline bool BooleanOf(const winpal::Variant& value) {
    EXPECT_EQ(value.Type(), VT_BOOL);
    EXPECT_TRUE(value.Ptr()->boolVal == VARIANT_TRUE || value.Ptr()->boolVal == VARIANT_FALSE);
    return value.Ptr()->boolVal == VARIANT_TRUE;
}

}  // namespace testsupport
