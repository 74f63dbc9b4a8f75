#include "Variants.h"

#include <limits>

#include "Errors.h"
#include "Objects.h"

namespace py = pybind11;

namespace quillbox {

winpal::Variant ToVariant(const py::handle& value) {
    if (value.is_none())
        return winpal::Variant();
    if (py::isinstance<py::bool_>(value))
        return winpal::Variant::Bool(value.cast<bool>());
    if (py::isinstance<py::int_>(value)) {
        // However large: an int beyond 64 bits overflows here too, and is refused the same way.
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
        if (number == -1 && PyErr_Occurred())
            throw py::error_already_set();
        if (overflow || number < std::numeric_limits<LONG>::min() ||
            number > std::numeric_limits<LONG>::max()) {
            throw py::value_error("an int argument must fit in 32 bits");
        }
        return winpal::Variant::I4(static_cast<LONG>(number));
    }
    if (py::isinstance<py::float_>(value))
        return winpal::Variant::R8(value.cast<double>());
    if (py::isinstance<py::str>(value)) {
        Py_ssize_t length = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(value.ptr(), &length);
        if (!utf8) {
            // A lone surrogate ("\ud800") has no UTF-8 form, and no place in automation text.
            PyErr_Clear();
            throw py::value_error(
                "a str argument must be text that UTF-8 can hold; it holds a "
                "lone surrogate");
        }
        return winpal::Variant::Utf8(std::string_view(utf8, static_cast<size_t>(length)));
    }
    if (py::isinstance<Dispatch>(value))
        return winpal::Variant::Dispatch(value.cast<Dispatch&>().Target());
    throw py::type_error("cannot pass a " +
                         py::str(py::type::of(value).attr("__name__")).cast<std::string>() +
                         " to automation");
}

py::object FromVariant(const VARIANT& value) {
    if (value.vt & VT_BYREF) {
        winpal::Variant direct;
        HRESULT hr = VariantCopyInd(direct.Ptr(), &value);
        if (FAILED(hr))
            RaiseComError("result", hr);
        return FromVariant(*direct.Ptr());
    }
    switch (value.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return py::none();
        case VT_BOOL:
            return py::bool_(value.boolVal != VARIANT_FALSE);
        case VT_BSTR:
            return py::str(winpal::Utf16ToUtf8(winpal::BstrView(value.bstrVal)));
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_CY: {
            winpal::Variant number;
            VariantChangeType(number.Ptr(), &value, 0, VT_R8);
            return py::float_(number.Ptr()->dblVal);
        }
        case VT_DISPATCH:
            if (!value.pdispVal)
                return py::none();
            return py::cast(Dispatch(winpal::ComPtr<IDispatch>::Share(value.pdispVal)));
        case VT_UNKNOWN: {
            if (!value.punkVal)
                return py::none();
            winpal::ComPtr<IDispatch> dispatch;
            if (SUCCEEDED(value.punkVal->QueryInterface(IID_IDispatch, dispatch.PutVoid())))
                return py::cast(Dispatch(std::move(dispatch)));
            if (auto items = EnumerationOf(value.punkVal))
                return py::cast(Enumeration(std::move(items)));
            throw py::type_error("the result is an object without IDispatch or IEnumVARIANT");
        }
        case VT_ERROR:
            return py::int_(static_cast<unsigned>(value.scode));
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_INT:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_UINT: {
            winpal::Variant number;
            if (SUCCEEDED(VariantChangeType(number.Ptr(), &value, 0, VT_I8)))
                return py::int_(number.Ptr()->llVal);
            winpal::Variant unsignedNumber;
            VariantChangeType(unsignedNumber.Ptr(), &value, 0, VT_UI8);
            return py::int_(unsignedNumber.Ptr()->ullVal);
        }
        default:
            RaiseComError("result of type " + std::to_string(value.vt), DISP_E_BADVARTYPE);
    }
}

}  // namespace quillbox
