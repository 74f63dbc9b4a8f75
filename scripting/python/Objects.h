// The automation objects a script sees: any IDispatch, bound late by name (GetIDsOfNames, then
// Invoke), a member that needs arguments, and an enumeration.
#pragma once

#include <string>

#include <pybind11/pybind11.h>
#include <winpal/winpal.h>

namespace quillbox {

class Dispatch {
  public:
    explicit Dispatch(winpal::ComPtr<IDispatch> target) : target_(std::move(target)) {}
    virtual ~Dispatch() = default;

    // obj.Name: a property read without arguments; a member that is a method, or that takes
    // arguments, comes back as a callable.
    pybind11::object GetAttribute(const std::string& name);
    // obj.Name = value: a property put.
    void SetAttribute(const std::string& name, const pybind11::handle& value);
    // for item in obj: enumeration through _NewEnum.
    pybind11::object Iterate();
    // Two objects are equal when they are the same COM object.
    bool Equals(const Dispatch& other) const;
    std::size_t Hash() const;

    IDispatch* Target() const;

  protected:
    Dispatch() = default;
    void Attach(winpal::ComPtr<IDispatch> target) { target_ = std::move(target); }
    void Release() { target_.Reset(); }

  private:
    DISPID Lookup(const std::string& name);

    winpal::ComPtr<IDispatch> target_;
};

// A member called with arguments: obj.Item("Inbox"), obj.Refresh().
class Member {
  public:
    Member(winpal::ComPtr<IDispatch> target, DISPID id, std::string name)
        : target_(std::move(target)), id_(id), name_(std::move(name)) {}
    pybind11::object Call(const pybind11::args& args);
    const std::string& Name() const { return name_; }

  private:
    winpal::ComPtr<IDispatch> target_;
    DISPID id_;
    std::string name_;
};

class Enumeration {
  public:
    explicit Enumeration(winpal::ComPtr<IEnumVARIANT> items) : items_(std::move(items)) {}
    pybind11::object Next();

  private:
    winpal::ComPtr<IEnumVARIANT> items_;
};

// Invokes `id` with the Python arguments (in call order) and returns the converted result.
pybind11::object InvokeMember(IDispatch* target, DISPID id, WORD flags, const std::string& what,
                              const pybind11::args& args);
// The enumeration an IUnknown offers, or null.
winpal::ComPtr<IEnumVARIANT> EnumerationOf(IUnknown* unknown);

}  // namespace quillbox
