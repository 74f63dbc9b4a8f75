// VariantChangeType from each kind of value a script hands the control to each type the control's
// dispatch tables and the scripting module ask for: the result code and the value, cell by cell.
#include <cinttypes>
#include <cstdio>
#include <string>

#include <windows.h>

#include <oleauto.h>

#include "check.h"

namespace {

struct Source {
    const char* name;
    VARTYPE vt;
    LONGLONG bits;      // integers, currency and booleans
    double real;        // VT_R8 and VT_DATE
    const WCHAR* text;  // VT_BSTR
};

// The targets, in the order of each row's expectations.
constexpr VARTYPE kTargets[] = {VT_I2, VT_I4, VT_BOOL, VT_BSTR, VT_R8, VT_I8, VT_UI8};
constexpr const char* kTargetNames[] = {"I2", "I4", "BOOL", "BSTR", "R8", "I8", "UI8"};
constexpr int kTargetCount = sizeof kTargets / sizeof kTargets[0];

struct Row {
    Source source;
    // Per target: the value as Describe writes it, "overflow", "mismatch", or null: not checked.
    const char* expected[kTargetCount];
};

std::string Narrow(const WCHAR* text, UINT length) {
    std::string out;
    for (UINT i = 0; i < length; ++i)
        out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return out;
}

// The outcome of one coercion as text: the value, or the failure.
std::string Describe(HRESULT hr, const VARIANT& v) {
    if (hr == DISP_E_OVERFLOW)
        return "overflow";
    if (hr == DISP_E_TYPEMISMATCH)
        return "mismatch";
    char text[64];
    if (FAILED(hr)) {
        std::snprintf(text, sizeof text, "error 0x%08" PRIX32, static_cast<std::uint32_t>(hr));
        return text;
    }
    switch (v.vt) {
        case VT_I2:
            return std::to_string(v.iVal);
        case VT_I4:
            return std::to_string(v.lVal);
        case VT_BOOL:
            return std::to_string(v.boolVal);
        case VT_BSTR:
            return "\"" + Narrow(v.bstrVal, SysStringLen(v.bstrVal)) + "\"";
        case VT_R8:
            std::snprintf(text, sizeof text, "%.17g", v.dblVal);
            return text;
        case VT_I8:
            return std::to_string(v.llVal);
        case VT_UI8:
            return std::to_string(v.ullVal);
        default:
            return "type " + std::to_string(v.vt);
    }
}

void MakeSource(const Source& s, VARIANT* v) {
    VariantInit(v);
    v->vt = s.vt;
    if (s.vt == VT_R8 || s.vt == VT_DATE)
        v->dblVal = s.real;
    else if (s.vt == VT_BSTR)
        v->bstrVal = SysAllocString(s.text);
    else if (s.vt != VT_EMPTY)
        v->llVal = s.bits;
}

}  // namespace

CHECK_CASE(VariantCoercionMatrix) {
    const Row rows[] = {
        {{"I2 -5", VT_I2, -5, 0, nullptr}, {"-5", "-5", "-1", "\"-5\"", "-5", "-5", "overflow"}},
        {{"I4 70000", VT_I4, 70000, 0, nullptr},
         {"overflow", "70000", "-1", "\"70000\"", "70000", "70000", "70000"}},
        {{"R8 2.5", VT_R8, 0, 2.5, nullptr}, {"2", "2", "-1", "\"2.5\"", "2.5", "2", "2"}},
        {{"R8 -1.5", VT_R8, 0, -1.5, nullptr},
         {"-2", "-2", "-1", "\"-1.5\"", "-1.5", "-2", "overflow"}},
        {{"R8 0", VT_R8, 0, 0.0, nullptr}, {"0", "0", "0", "\"0\"", "0", "0", "0"}},
        // True is all bits set, also in an unsigned type.
        {{"BOOL True", VT_BOOL, VARIANT_TRUE, 0, nullptr},
         {"-1", "-1", "-1", "\"-1\"", "-1", "-1", "18446744073709551615"}},
        {{"BOOL False", VT_BOOL, VARIANT_FALSE, 0, nullptr},
         {"0", "0", "0", "\"0\"", "0", "0", "0"}},
        {{"BSTR 12", VT_BSTR, 0, 0, W("12")}, {"12", "12", "-1", "\"12\"", "12", "12", "12"}},
        {{"BSTR -3.5", VT_BSTR, 0, 0, W("-3.5")},
         {"-4", "-4", "-1", "\"-3.5\"", "-3.5", "-4", "overflow"}},
        {{"BSTR abc", VT_BSTR, 0, 0, W("abc")},
         {"mismatch", "mismatch", "mismatch", "\"abc\"", "mismatch", "mismatch", "mismatch"}},
        {{"CY 1.5", VT_CY, 15000, 0, nullptr}, {"2", "2", "-1", "\"1.5\"", "1.5", "2", "2"}},
        // A date's text depends on the locale's date format, so its cell is not checked.
        {{"DATE 1.5", VT_DATE, 0, 1.5, nullptr}, {"2", "2", "-1", nullptr, "1.5", "2", "2"}},
        {{"UI1 200", VT_UI1, 200, 0, nullptr},
         {"200", "200", "-1", "\"200\"", "200", "200", "200"}},
        {{"I8 2^40", VT_I8, 1LL << 40, 0, nullptr},
         {"overflow", "overflow", "-1", "\"1099511627776\"", "1099511627776", "1099511627776",
          "1099511627776"}},
        {{"EMPTY", VT_EMPTY, 0, 0, nullptr}, {"0", "0", "0", "\"\"", "0", "0", "0"}},
    };
    for (const Row& row : rows) {
        for (int t = 0; t < kTargetCount; ++t) {
            if (!row.expected[t])
                continue;
            VARIANT source, result;
            MakeSource(row.source, &source);
            VariantInit(&result);
            HRESULT hr = VariantChangeType(&result, &source, 0, kTargets[t]);
            const std::string cell = std::string(row.source.name) + " to " + kTargetNames[t] + ": ";
            CHECK_EQ(cell + Describe(hr, result), cell + row.expected[t]);
            VariantClear(&result);
            VariantClear(&source);
        }
    }
}
