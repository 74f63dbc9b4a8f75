#include "Errors.h"

#include <cstdio>

#include <pybind11/eval.h>
#include <winpal/winpal.h>

namespace py = pybind11;

namespace quillbox {
namespace {

constexpr const char* kDefinitions = R"(
class ComError(Exception):
    """An automation error. hresult is the result code as an unsigned 32-bit number: the
    error a member raised when Invoke answered DISP_E_EXCEPTION (0x80020009, kept in
    invoke_result), else Invoke's or GetIDsOfNames' own result. arg_index is the position, in
    call order, of an argument that could not be converted, or None."""

    def __init__(self, message, hresult, invoke_result=None, arg_index=None, description=""):
        super().__init__(message)
        self.hresult = hresult
        self.invoke_result = hresult if invoke_result is None else invoke_result
        self.arg_index = arg_index
        self.description = description


class UnknownNameError(ComError, AttributeError):
    """The object has no member of that name."""
)";

py::object ErrorClass(const char* name) {
    return py::module_::import("quillbox").attr(name);
}

unsigned Unsigned(HRESULT hr) {
    return static_cast<unsigned>(hr);
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", Unsigned(hr));
    return text;
}

[[noreturn]] void Raise(const char* className, const std::string& message, HRESULT hr,
                        HRESULT invokeResult, py::object argIndex, const std::string& description) {
    py::object error =
        ErrorClass(className)(message, Unsigned(hr), Unsigned(invokeResult), argIndex, description);
    PyErr_SetObject(error.get_type().ptr(), error.ptr());
    throw py::error_already_set();
}

}  // namespace

void DefineErrors(py::module_& module) {
    py::exec(kDefinitions, module.attr("__dict__"));
}

void RaiseComError(const std::string& what, const winpal::DispatchFailure& failure) {
    const std::string description = winpal::Utf16ToUtf8(failure.description);
    std::string message = what + ": " + Hex(failure.hr);
    if (!description.empty())
        message += " " + description;
    if (failure.argument >= 0)
        message += " (argument " + std::to_string(failure.argument + 1) + ")";
    Raise("ComError", message, failure.hr, failure.invokeResult,
          failure.argument >= 0 ? py::object(py::int_(failure.argument)) : py::none(), description);
}

void RaiseComError(const std::string& what, HRESULT hr, const std::string& advice) {
    if (advice.empty())
        RaiseComError(what, winpal::DispatchFailure{hr, hr, {}, -1});
    Raise("ComError", what + ": " + Hex(hr) + "\n" + advice, hr, hr, py::none(), "");
}

void RaiseUnknownName(const std::string& name, HRESULT hr) {
    Raise("UnknownNameError", "no member named " + name + ": " + Hex(hr), hr, hr, py::none(), "");
}

}  // namespace quillbox
