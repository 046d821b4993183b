#pragma once
// The parts of the Python module `impactframe` and what they share.
#include <pybind11/pybind11.h>

#include <optional>

#include "model/model.h"

namespace pyframe {

// A model as scripts hold it: the engine's model and the time span that suits it (a
// sample's), which analyse() takes when no te is given.
struct ScriptModel {
    fem::Model model;
    std::optional<double> timeSpan;
};

// Model, Node, Element, sample() and DataFileError.
void BindModel(pybind11::module_& m);
// analyse(), AnalysisResult, modes(), ModeResult and AnalysisError.
void BindAnalysis(pybind11::module_& m);

// Raises the module's exception class `name` (e.g. "AnalysisError") with message and
// the attributes given, each set on the exception object.
[[noreturn]] void RaiseWithAttributes(const char* name, const std::string& message,
                                      const pybind11::dict& attributes);

}  // namespace pyframe
