#include "python/callbacks.h"

namespace py = pybind11;

namespace pyframe {

PythonBridge::PythonBridge(py::object progress) : progress_(std::move(progress)) {}

PythonBridge::~PythonBridge() {
    // The references are dropped with the GIL held; the bridge lives on a thread that
    // holds it again once the engine has returned.
    progress_ = py::object();
    kept_.reset();
}

void PythonBridge::Report(fem::RunControl& control, double fraction) {
    if (kept_) return;  // stopping already; Python is not called again
    py::gil_scoped_acquire gil;
    try {
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        if (fraction >= 0.0 && !progress_.is_none()) {
            progress_(fraction);
            // A Ctrl+C that came while the callable ran but after its last bytecode.
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        }
    } catch (py::error_already_set& error) {
        kept_ = std::make_unique<py::error_already_set>(std::move(error));
        control.RequestStop();
    }
}

void PythonBridge::Rethrow() {
    if (!kept_) return;
    py::error_already_set error = std::move(*kept_);
    kept_.reset();
    throw error;
}

}  // namespace pyframe
