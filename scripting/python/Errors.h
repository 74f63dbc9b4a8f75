// Automation errors as Python exceptions: quillbox.ComError carries the result code, and
// quillbox.UnknownNameError (also an AttributeError) the failure of a name lookup.
#pragma once

#include <string>

#include <pybind11/pybind11.h>
#include <winpal/oleauto.h>

namespace quillbox {

// Defines the exception classes in `module`.
void DefineErrors(pybind11::module_& module);

// Raises ComError for a failed call of `what`. For DISP_E_EXCEPTION the result code is the
// error the member raised (the EXCEPINFO's), and its description is part of the message;
// `argIndex` names the argument (in call order) that failed to coerce, when there is one.
[[noreturn]] void RaiseComError(const std::string& what, HRESULT hr, EXCEPINFO* info = nullptr,
                                int argIndex = -1);
[[noreturn]] void RaiseUnknownName(const std::string& name, HRESULT hr);

}  // namespace quillbox
