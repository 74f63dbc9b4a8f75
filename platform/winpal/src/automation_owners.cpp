// winpal::Bstr and winpal::Variant: owners of one BSTR and one VARIANT.
#include <new>

#include <winpal/winpal.h>

#include "automation_detail.h"

namespace winpal {
namespace {

BSTR AllocateText(std::u16string_view text) {
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b)
        throw std::bad_alloc();
    return b;
}

// A variant of type `vt` whose value `assign` sets.
template <class Assign>
Variant Typed(VARTYPE vt, Assign assign) {
    Variant v;
    assign(*v.Ptr());
    v.Ptr()->vt = vt;
    return v;
}

}  // namespace

Bstr::Bstr(std::u16string_view text) : b_(AllocateText(text)) {}

Bstr Bstr::FromUtf8(std::string_view utf8) {
    return Bstr(Utf8ToUtf16(utf8));
}

Bstr Bstr::FromAnsi(std::string_view ansi) {
    return Bstr(AnsiToWide(ansi));
}

Bstr::Bstr(const Bstr& o) {
    if (!detail::DuplicateBstr(o.b_, &b_))
        throw std::bad_alloc();
}

Bstr::~Bstr() {
    SysFreeString(b_);
}

BSTR* Bstr::Put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
}

UINT Bstr::Length() const {
    return SysStringLen(b_);
}

// The whole text, embedded NULs included.
std::u16string_view Bstr::View() const {
    return BstrView(b_);
}

std::string Bstr::Utf8() const {
    return Utf16ToUtf8(View());
}

std::string Bstr::Ansi() const {
    return WideToAnsi(View());
}

Variant::Variant(const Variant& o) {
    VariantInit(&v_);
    if (FAILED(VariantCopy(&v_, &o.v_)))
        throw std::bad_alloc();
}

Variant& Variant::operator=(const Variant& o) {
    if (this != &o && FAILED(VariantCopy(&v_, &o.v_)))
        throw std::bad_alloc();
    return *this;
}

Variant Variant::I2(SHORT value) {
    return Typed(VT_I2, [&](VARIANT& v) { v.iVal = value; });
}

Variant Variant::I4(LONG value) {
    return Typed(VT_I4, [&](VARIANT& v) { v.lVal = value; });
}

Variant Variant::R8(double value) {
    return Typed(VT_R8, [&](VARIANT& v) { v.dblVal = value; });
}

Variant Variant::Bool(bool value) {
    return Typed(VT_BOOL, [&](VARIANT& v) { v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; });
}

Variant Variant::Text(std::u16string_view text) {
    BSTR b = AllocateText(text);
    return Typed(VT_BSTR, [&](VARIANT& v) { v.bstrVal = b; });
}

Variant Variant::Utf8(std::string_view text) {
    return Text(Utf8ToUtf16(text));
}

Variant Variant::Dispatch(IDispatch* dispatch) {
    Variant v;
    if (dispatch)
        dispatch->AddRef();
    v.v_.vt = VT_DISPATCH;
    v.v_.pdispVal = dispatch;
    return v;
}

}  // namespace winpal
