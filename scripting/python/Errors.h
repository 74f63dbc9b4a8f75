// Automation errors as Python exceptions: quillbox.ComError carries the result code, and
// quillbox.UnknownNameError (also an AttributeError) the failure of a name lookup.
#pragma once

#include <string>

#include <pybind11/pybind11.h>
#include <winpal/dispatch.h>

namespace quillbox {

// Defines the exception classes in `module`.
void DefineErrors(pybind11::module_& module);

// Raises ComError for a failed call of `what`: for DISP_E_EXCEPTION the result code is the
// error the member raised, and its description is part of the message; the argument (in call
// order) that failed to coerce is named when there is one.
[[noreturn]] void RaiseComError(const std::string& what, const winpal::DispatchFailure& failure);
// Raises ComError for a failure that is only a result code, with `advice` (what to do about it)
// on the lines after the message.
[[noreturn]] void RaiseComError(const std::string& what, HRESULT hr,
                                const std::string& advice = "");
[[noreturn]] void RaiseUnknownName(const std::string& name, HRESULT hr);

}  // namespace quillbox
