// The Python module `quillbox`: automation objects bound late, by name, as a script host binds
// them, and the Quillbox control hosted without a screen.
#include <pybind11/pybind11.h>

#include "Control.h"
#include "Errors.h"
#include "Objects.h"

namespace py = pybind11;
using namespace quillbox;

PYBIND11_MODULE(quillbox, m) {
    m.doc() =
        "Script the Quillbox control and its collections by name, through automation.\n\n"
        "Control() makes the control registered in the prefix (the folder with the registry "
        "and the user's profile, where the mail store lives): the one WINPAL_PREFIX names, or "
        "Control(prefix=...), which sets WINPAL_PREFIX for the process. Without either, the "
        "default prefix $XDG_DATA_HOME/winpal (~/.local/share/winpal) is used, and made "
        "silently when it does not exist yet; register the control and the store there "
        "(regsvr libquillbox.so, regsvr oestore.so) before the first Control().\n\n"
        "Arguments go in as automation values: int (32 bits; a larger one raises ValueError), "
        "str (valid text; a lone surrogate raises ValueError), bool, float and None.";
    DefineErrors(m);

    py::class_<Dispatch>(m, "Dispatch", "An automation object; its members are found by name.")
        .def("__getattr__", &Dispatch::GetAttribute)
        .def("__setattr__", &Dispatch::SetAttribute)
        .def("__iter__", &Dispatch::Iterate)
        .def("__eq__",
             [](const Dispatch& self, const py::object& other) {
                 return py::isinstance<Dispatch>(other) && self.Equals(other.cast<Dispatch&>());
             })
        .def("__hash__", &Dispatch::Hash);

    py::class_<Member>(m, "Member", "A member called with arguments.")
        .def("__call__", &Member::Call)
        .def("__repr__",
             [](const Member& self) { return "<quillbox member " + self.Name() + ">"; });

    py::class_<Enumeration>(m, "Enumeration", "The items of a collection, in order.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &Enumeration::Next);

    py::class_<Control, Dispatch>(m, "Control", "The Quillbox control in a headless window.")
        .def(py::init<py::object, std::string, bool>(), py::arg("prefix") = py::none(),
             py::arg("progid") = "QUILLBOX.QuillboxCtrl.1", py::arg("user_mode") = true)
        .def("close", &Control::Close)
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Control& self, py::args) {
            self.Close();
            return false;
        });

    m.attr("DISP_E_MEMBERNOTFOUND") = static_cast<unsigned>(DISP_E_MEMBERNOTFOUND);
    m.attr("DISP_E_TYPEMISMATCH") = static_cast<unsigned>(DISP_E_TYPEMISMATCH);
    m.attr("DISP_E_BADPARAMCOUNT") = static_cast<unsigned>(DISP_E_BADPARAMCOUNT);
    m.attr("DISP_E_OVERFLOW") = static_cast<unsigned>(DISP_E_OVERFLOW);
    m.attr("DISP_E_EXCEPTION") = static_cast<unsigned>(DISP_E_EXCEPTION);
    m.attr("DISP_E_UNKNOWNNAME") = static_cast<unsigned>(DISP_E_UNKNOWNNAME);
    m.attr("CTL_E_SETNOTSUPPORTED") = static_cast<unsigned>(CTL_E_SETNOTSUPPORTED);
}
