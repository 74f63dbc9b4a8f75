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
    winpal::Variant result;
    winpal::DispatchFailure failure;
    if (SUCCEEDED(winpal::DispatchGet(target_.Get(), id, &result, {}, &failure)))
        return FromVariant(*result.Ptr());
    if (MeansNeedsACall(failure.invokeResult))
        return py::cast(Member(target_, id, name));
    RaiseComError(name, failure);
}

void Dispatch::SetAttribute(const std::string& name, const py::handle& value) {
    DISPID id = Lookup(name);
    winpal::DispatchFailure failure;
    if (FAILED(winpal::DispatchPut(target_.Get(), id, ToVariant(value), &failure)))
        RaiseComError(name, failure);
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
    winpal::Variant result;
    winpal::DispatchFailure failure;
    if (FAILED(winpal::DispatchInvoke(target, id, flags, values, &result, &failure)))
        RaiseComError(what, failure);
    return FromVariant(*result.Ptr());
}

winpal::ComPtr<IEnumVARIANT> EnumerationOf(IUnknown* unknown) {
    winpal::ComPtr<IEnumVARIANT> items;
    if (unknown && SUCCEEDED(unknown->QueryInterface(IID_IEnumVARIANT, items.PutVoid())))
        return items;
    return nullptr;
}

}  // namespace quillbox
