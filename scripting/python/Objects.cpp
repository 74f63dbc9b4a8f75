#include "Objects.h"

#include <vector>

#include "Errors.h"
#include "Variants.h"

namespace py = pybind11;

namespace quillbox {
namespace {

bool MeansNeedsACall(HRESULT hr) {
    return hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT ||
           hr == DISP_E_PARAMNOTOPTIONAL;
}

bool NamesAnArgument(HRESULT hr) {
    return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW || hr == DISP_E_PARAMNOTFOUND ||
           hr == DISP_E_BADVARTYPE;
}

IUnknown* Identity(IDispatch* object) {
    if (!object)
        return nullptr;
    IUnknown* unknown = nullptr;
    if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))))
        return nullptr;
    unknown->Release();  // only the address is wanted
    return unknown;
}

}  // namespace

IDispatch* Dispatch::Target() const {
    if (!target_)
        RaiseComError("the object", E_UNEXPECTED);
    return target_.Get();
}

DISPID Dispatch::Lookup(const std::string& name) {
    std::u16string wide = winpal::Utf8ToUtf16(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = Target()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        RaiseUnknownName(name, hr);
    return id;
}

py::object Dispatch::GetAttribute(const std::string& name) {
    DISPID id = Lookup(name);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    winpal::Variant result;
    EXCEPINFO info{};
    HRESULT hr = target_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                 result.Ptr(), &info, nullptr);
    if (SUCCEEDED(hr))
        return FromVariant(*result.Ptr());
    if (MeansNeedsACall(hr))
        return py::cast(Member(target_, id, name));
    RaiseComError(name, hr, &info);
}

void Dispatch::SetAttribute(const std::string& name, const py::handle& value) {
    DISPID id = Lookup(name);
    winpal::Variant argument = ToVariant(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{argument.Ptr(), &named, 1, 1};
    EXCEPINFO info{};
    HRESULT hr = target_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                 nullptr, &info, nullptr);
    if (FAILED(hr))
        RaiseComError(name, hr, &info, NamesAnArgument(hr) ? 0 : -1);
}

py::object Dispatch::Iterate() {
    py::object items = InvokeMember(Target(), DISPID_NEWENUM,
                                    DISPATCH_METHOD | DISPATCH_PROPERTYGET, "_NewEnum", py::args());
    if (!py::isinstance<Enumeration>(items))
        throw py::type_error("the object cannot be enumerated");
    return items;
}

bool Dispatch::Equals(const Dispatch& other) const {
    return Identity(target_.Get()) == Identity(other.target_.Get());
}

std::size_t Dispatch::Hash() const {
    return std::hash<IUnknown*>()(Identity(target_.Get()));
}

py::object Member::Call(const py::args& args) {
    return InvokeMember(target_.Get(), id_, DISPATCH_METHOD | DISPATCH_PROPERTYGET, name_, args);
}

py::object Enumeration::Next() {
    winpal::Variant item;
    ULONG fetched = 0;
    HRESULT hr = items_->Next(1, item.Ptr(), &fetched);
    if (FAILED(hr))
        RaiseComError("Next", hr);
    if (fetched == 0)
        throw py::stop_iteration();
    return FromVariant(*item.Ptr());
}

py::object InvokeMember(IDispatch* target, DISPID id, WORD flags, const std::string& what,
                        const py::args& args) {
    std::vector<winpal::Variant> values;
    for (const py::handle& arg : args)
        values.push_back(ToVariant(arg));
    std::vector<VARIANT> reversed;
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        reversed.push_back(*it->Ptr());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    winpal::Variant result;
    EXCEPINFO info{};
    UINT argErr = 0;
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.Ptr(),
                                &info, &argErr);
    if (FAILED(hr)) {
        int argIndex = NamesAnArgument(hr) && argErr < reversed.size()
                           ? static_cast<int>(reversed.size() - 1 - argErr)
                           : -1;
        RaiseComError(what, hr, &info, argIndex);
    }
    return FromVariant(*result.Ptr());
}

winpal::ComPtr<IEnumVARIANT> EnumerationOf(IUnknown* unknown) {
    winpal::ComPtr<IEnumVARIANT> items;
    if (unknown && SUCCEEDED(unknown->QueryInterface(IID_IEnumVARIANT, items.PutVoid())))
        return items;
    return nullptr;
}

}  // namespace quillbox
