// The Python module `impactframe`: structure models, impact and static analyses and natural
// frequencies from Python, computed by the same engine as the program and its CLI.
#include <pybind11/pybind11.h>

#include <string>

#include "analysis/sparse_solver.h"
#include "numeric/failure.h"
#include "python/bindings.h"

namespace py = pybind11;

namespace pyframe {

void RaiseWithAttributes(const char* name, const std::string& message, const py::dict& attributes) {
    const py::object type = py::module_::import("impactframe").attr(name);
    const py::object error = type(message);
    for (const auto& [key, value] : attributes) py::setattr(error, key, value);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

namespace {

// Adds an exception class derived from base to the module.
void AddException(py::module_& m, const char* name, const char* doc, PyObject* base) {
    const std::string qualified = std::string("impactframe.") + name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, base, nullptr);
    if (type == nullptr) throw py::error_already_set();
    m.add_object(name, py::reinterpret_steal<py::object>(type));
}

}  // namespace
}  // namespace pyframe

PYBIND11_MODULE(impactframe, m) {
    m.doc() =
        "ImpactFrame's engine for scripts: three-dimensional frames of straight bars under\n"
        "static loads and step (impact) loads, solved exactly in the Laplace domain with\n"
        "distributed mass, and their natural frequencies.\n"
        "\n"
        "Units: mm, kgf, s (frequencies in Hz). Nodes and elements are numbered from 0.\n"
        "\n"
        "    model = impactframe.sample(1)            # or Model.read(path), or Model()\n"
        "    result = impactframe.analyse(model, nw=512)\n"
        "    result.element_forces(0)                 # Nw x 12, rows are the times result.time\n"
        "    impactframe.modes(model, count=5).frequencies\n"
        "    impactframe.frf(model, 6, to_hz=2000).response  # frequencies x 6, complex\n"
        "\n"
        "The engine runs without the GIL, so analyses in several threads run at once;\n"
        "Ctrl+C stops a run with KeyboardInterrupt. The engine runs one worker per core\n"
        "itself: importing the module sets the BLAS (OpenBLAS) to compute in the calling\n"
        "thread and keeps freed memory with the process for the next factorisation.";
    // As the other programs do at their start (analysis/sparse_solver.h).
    fem::ConfigureProcessForAnalysis();
    m.attr("__version__") = IMPACTFRAME_VERSION;

    pyframe::AddException(
        m, "DataFileError",
        "A structure data file could not be read.\n"
        "\n"
        "str(error) is the message impactframe-cli prints. Attributes: path (the file),\n"
        "line (where the offending field starts; 0 when the file could not be opened),\n"
        "field (what was expected there, e.g. 'the y coordinate of node 3 (a number)')\n"
        "and found (the text found instead, or 'end of file').",
        PyExc_ValueError);
    pyframe::AddException(
        m, "AnalysisError",
        "An analysis, a frequency search or a frequency response failed.\n"
        "\n"
        "str(error) is the message impactframe-cli prints. Attributes: kind (one of\n"
        "'singular_matrix', 'no_free_dof', 'would_not_fit', 'out_of_memory',\n"
        "'bad_numbering', 'not_finite', 'bad_settings', 'stopped'), solution ('dynamic',\n"
        "'static', 'modes' or 'frequency response'), point (the transform point\n"
        "concerned, or None), node and dof (the node and degree of freedom concerned,\n"
        "or None) and detail (English).",
        PyExc_RuntimeError);
    // The engine's refusals of a value (coincident nodes, a negative modulus, ...).
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const numeric::ComputationFailure& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    pyframe::BindModel(m);
    pyframe::BindAnalysis(m);
}
