// Python values and VARIANTs: int, str, bool, float and None become VT_I4, VT_BSTR, VT_BOOL,
// VT_R8 and VT_EMPTY, an automation object VT_DISPATCH; results come back as Python values,
// objects as live automation objects and Nothing as None.
#pragma once

#include <pybind11/pybind11.h>
#include <winpal/winpal.h>

namespace quillbox {

winpal::Variant ToVariant(const pybind11::handle& value);
pybind11::object FromVariant(const VARIANT& value);

}  // namespace quillbox
