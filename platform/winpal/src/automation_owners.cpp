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
    return b_ ? std::u16string_view(b_, SysStringLen(b_)) : std::u16string_view();
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
    Variant v;
    v.v_.vt = VT_I2;
    v.v_.iVal = value;
    return v;
}

Variant Variant::I4(LONG value) {
    Variant v;
    v.v_.vt = VT_I4;
    v.v_.lVal = value;
    return v;
}

Variant Variant::R8(double value) {
    Variant v;
    v.v_.vt = VT_R8;
    v.v_.dblVal = value;
    return v;
}

Variant Variant::Bool(bool value) {
    Variant v;
    v.v_.vt = VT_BOOL;
    v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::Text(std::u16string_view text) {
    Variant v;
    v.v_.bstrVal = AllocateText(text);
    v.v_.vt = VT_BSTR;
    return v;
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
