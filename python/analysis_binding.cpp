// analyse(), modes() and their results in the Python module.
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <complex>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/frequency_response.h"
#include "analysis/histories.h"
#include "analysis/modes.h"
#include "analysis/run_analysis.h"
#include "numeric/failure.h"
#include "python/arrays.h"
#include "python/bindings.h"
#include "python/callbacks.h"

namespace py = pybind11;

namespace pyframe {
namespace {

// The time span analyse() takes for a model without one, as impactframe-cli does.
constexpr double kDefaultTimeSpan = 0.001;

const char* KindName(fem::OutcomeKind kind) {
    switch (kind) {
        case fem::OutcomeKind::Complete:
            return "complete";
        case fem::OutcomeKind::Stopped:
            return "stopped";
        case fem::OutcomeKind::SingularMatrix:
            return "singular_matrix";
        case fem::OutcomeKind::NoFreeDof:
            return "no_free_dof";
        case fem::OutcomeKind::WouldNotFit:
            return "would_not_fit";
        case fem::OutcomeKind::OutOfMemory:
            return "out_of_memory";
        case fem::OutcomeKind::BadNumbering:
            return "bad_numbering";
        case fem::OutcomeKind::NotFinite:
            return "not_finite";
        case fem::OutcomeKind::BadSettings:
            return "bad_settings";
    }
    return "unknown";
}

py::object NoneIfNegative(int value) {
    return value < 0 ? py::none() : py::object(py::int_(value));
}

// Raises AnalysisError for an outcome that is not complete, worded as impactframe-cli
// words it; solution is "dynamic", "static", "modes" or "frequency response".
void RaiseUnlessComplete(const fem::Outcome& outcome, const char* solution) {
    if (outcome.Complete()) return;
    const std::string solutionName = solution;
    std::string message = fem::EnglishText(outcome);
    if (solutionName == "modes") {
        message = "natural frequencies: " + message;
        if (!outcome.Detail.empty()) message += " (" + outcome.Detail + ")";
    } else if (solutionName == "frequency response") {
        message = solutionName + ": " + message;
    } else if (outcome.Kind != fem::OutcomeKind::WouldNotFit) {
        message = solutionName + " solution: " + message;
    }
    py::dict attributes;
    attributes["kind"] = KindName(outcome.Kind);
    attributes["solution"] = solutionName;
    attributes["point"] = NoneIfNegative(outcome.Point);
    attributes["node"] = NoneIfNegative(outcome.Node);
    attributes["dof"] = NoneIfNegative(outcome.Dof);
    attributes["detail"] = outcome.Detail;
    RaiseWithAttributes("AnalysisError", message, attributes);
}

// What analyse() returns: the engine's immutable solutions, shared with every array and
// thread that reads them, and the inversion tables made once for them.
struct ScriptAnalysis {
    std::shared_ptr<const fem::ImpactSolution> impact;
    std::shared_ptr<const fem::StaticSolution> statics;
    std::shared_ptr<const fem::InverseTransform> inverse;

    [[nodiscard]] const fem::AnalysisSettings& Settings() const { return impact->Settings(); }
    [[nodiscard]] const fem::Model& Structure() const { return impact->Structure(); }
};

void CheckIndex(int i, int count, const char* what) {
    if (i < 0 || i >= count)
        throw py::index_error("no " + std::string(what) + " " + std::to_string(i) +
                              " (the structure has " + std::to_string(count) + " " + what + "s)");
}

fem::ForceAxes AxesOf(const std::string& axes) {
    if (axes == "element") return fem::ForceAxes::Element;
    if (axes == "global") return fem::ForceAxes::Global;
    throw py::value_error("axes is 'element' or 'global', not '" + axes + "'");
}

fem::ResponseQuantity QuantityOf(const std::string& quantity) {
    if (quantity == "displacement") return fem::ResponseQuantity::Displacement;
    if (quantity == "velocity") return fem::ResponseQuantity::Velocity;
    if (quantity == "acceleration") return fem::ResponseQuantity::Acceleration;
    throw py::value_error("quantity is 'displacement', 'velocity' or 'acceleration', not '" +
                          quantity + "'");
}

fem::GroundFrame FrameOf(bool relative) {
    return relative ? fem::GroundFrame::RelativeToGround : fem::GroundFrame::Absolute;
}

// Which of the histories a script asked for.
enum class Part { Shown, Corrected, Uncorrected, Error };

Part PartOf(const ScriptAnalysis& a, std::optional<bool> corrected) {
    if (!corrected) return Part::Shown;
    if (!*corrected) return Part::Uncorrected;
    if (!a.Settings().CorrectAliasing)
        throw py::value_error("corrected histories need analyse(..., correct_aliasing=True)");
    return Part::Corrected;
}

Part ErrorPart(const ScriptAnalysis& a) {
    if (!a.Settings().CorrectAliasing)
        throw py::value_error("the estimated error needs analyse(..., correct_aliasing=True)");
    return Part::Error;
}

numeric::RealMatrix Take(fem::HistoryResult&& h, Part part) {
    switch (part) {
        case Part::Shown:
            return h.Corrected.Empty() ? std::move(h.Uncorrected) : std::move(h.Corrected);
        case Part::Corrected:
            return std::move(h.Corrected);
        case Part::Uncorrected:
            return std::move(h.Uncorrected);
        case Part::Error:
            return std::move(h.EstimatedError);
    }
    return {};
}

py::array_t<double> NodeHistory(const ScriptAnalysis& a, int node, fem::ResponseQuantity quantity,
                                fem::GroundFrame frame, Part part) {
    CheckIndex(node, a.Structure().NodeCount(), "node");
    numeric::RealMatrix m;
    {
        py::gil_scoped_release release;
        m = Take(fem::NodeResponseHistory(*a.impact, node, quantity, frame, *a.inverse), part);
    }
    return TimeByComponent(std::move(m));
}

py::array_t<double> ElementHistory(const ScriptAnalysis& a, int element, fem::ForceAxes axes,
                                   Part part) {
    CheckIndex(element, a.Structure().ElementCount(), "element");
    numeric::RealMatrix m;
    {
        py::gil_scoped_release release;
        m = Take(fem::ElementForceHistory(*a.impact, element, axes, *a.inverse), part);
    }
    return TimeByComponent(std::move(m));
}

py::array_t<double> ImpactHistory(const ScriptAnalysis& a, Part part) {
    if (!a.Structure().Impact()) throw py::value_error("the structure has no dropped weight");
    numeric::RealMatrix m;
    {
        py::gil_scoped_release release;
        m = Take(fem::ImpactForceHistory(*a.impact, *a.inverse), part);
    }
    return TimeByComponent(std::move(m));
}

// The script's model, with Timoshenko on for every member with a shear area when asked
// for (as impactframe-cli --timoshenko): a copy, since another thread may change the
// script's model while the engine runs.
fem::Model ModelToSolve(const ScriptModel& script, bool timoshenko) {
    fem::Model model = script.model;
    if (timoshenko) {
        try {
            fem::UseTimoshenkoWhereShearAreas(model);
        } catch (const numeric::ComputationFailure& f) {
            throw py::value_error(std::string("timoshenko: ") + f.what());
        }
    }
    return model;
}

ScriptAnalysis Analyse(const ScriptModel& script, int nw, double gammaTe, std::optional<double> te,
                       double rise, bool correctAliasing, bool timoshenko, int threads,
                       py::object progress) {
    fem::AnalysisSettings settings;
    settings.Nw = nw;
    settings.GammaTe = gammaTe;
    settings.Te = te.value_or(script.timeSpan.value_or(kDefaultTimeSpan));
    settings.CorrectAliasing = correctAliasing;
    settings.Threads = threads;
    if (const std::string problem = fem::SettingsProblem(settings); !problem.empty())
        throw py::value_error(problem);
    if (!(rise >= 0.0 && rise <= 0.1 * settings.Te))
        throw py::value_error("rise must be from 0 to te / 10 (" +
                              std::to_string(0.1 * settings.Te) + " s)");
    settings.Tau = rise / settings.Te;
    if (threads < 0) throw py::value_error("threads must be 0 (one per core) or more");
    if (!progress.is_none() && !PyCallable_Check(progress.ptr()))
        throw py::type_error("progress must be callable or None");

    auto model = std::make_shared<const fem::Model>(ModelToSolve(script, timoshenko));
    AnalysisBridge callbacks(std::move(progress), settings.Points());
    fem::AnalysisResult result;
    {
        py::gil_scoped_release release;
        result = fem::RunAnalysis(model, settings, &callbacks);
    }
    callbacks.Rethrow();
    RaiseUnlessComplete(result.Impact->Result(), "dynamic");
    RaiseUnlessComplete(result.Static->Result, "static");
    return {result.Impact, result.Static, std::make_shared<const fem::InverseTransform>(settings)};
}

struct ScriptModes {
    py::array_t<double> frequencies;
    py::object shapes;  // modes x nodes x 6, or None
    int evaluations = 0;
};

ScriptModes Modes(const ScriptModel& script, std::optional<int> count,
                  std::optional<double> belowHz, bool shapes, bool timoshenko, int threads,
                  py::object progress) {
    fem::ModeRequest request;
    if (belowHz && !(*belowHz > 0.0)) throw py::value_error("below_hz must be positive");
    if (count && *count < 0) throw py::value_error("count must be 0 (no limit) or more");
    if (threads < 0) throw py::value_error("threads must be 0 (one per core) or more");
    if (!progress.is_none() && !PyCallable_Check(progress.ptr()))
        throw py::type_error("progress must be callable or None");
    // below_hz alone: every frequency below it, as impactframe-cli modes --below.
    request.Count = count.value_or(belowHz ? 0 : 10);
    request.BelowHz = belowHz.value_or(0.0);
    if (request.Count == 0 && request.BelowHz == 0.0)
        throw py::value_error("count=0 needs below_hz");
    request.Shapes = shapes;
    request.Threads = threads;

    const fem::Model model = ModelToSolve(script, timoshenko);
    ModeBridge callbacks(std::move(progress));
    fem::ModeResult result;
    {
        py::gil_scoped_release release;
        result = fem::SolveModes(model, request, &callbacks);
    }
    callbacks.Rethrow();
    RaiseUnlessComplete(result.Result, "modes");

    const auto modes = static_cast<py::ssize_t>(result.Modes.size());
    const auto nodes = static_cast<py::ssize_t>(model.NodeCount());
    ScriptModes out;
    out.evaluations = result.Evaluations;
    out.frequencies = py::array_t<double>(modes);
    for (py::ssize_t k = 0; k < modes; ++k)
        out.frequencies.mutable_at(k) = result.Modes[k].FrequencyHz;
    out.shapes = py::none();
    if (shapes) {
        // Each mode's shape is a vector of its own: copied into one block.
        py::array_t<double> block({modes, nodes, py::ssize_t{6}});
        auto at = block.mutable_unchecked<3>();
        for (py::ssize_t k = 0; k < modes; ++k) {
            const auto& disp = result.Modes[k].NodeDisp;
            for (py::ssize_t n = 0; n < nodes; ++n)
                for (py::ssize_t j = 0; j < 6; ++j)
                    at(k, n, j) = static_cast<size_t>(n) < disp.size() ? disp[n][j] : 0.0;
        }
        out.shapes = block;
    }
    return out;
}

struct ScriptFrequencyResponse {
    int node = 0;
    py::array_t<double> frequencies;
    py::array_t<std::complex<double>> response;  // frequencies x 6
    py::array_t<bool> resonance;
};

ScriptFrequencyResponse FrequencyResponse(const ScriptModel& script, int node, double toHz,
                                          double fromHz, int count, py::object progress) {
    CheckIndex(node, script.model.NodeCount(), "node");
    if (!(std::isfinite(fromHz) && fromHz >= 0.0))
        throw py::value_error("from_hz must be a frequency of 0 Hz or more");
    if (!(std::isfinite(toHz) && toHz >= fromHz))
        throw py::value_error("to_hz must be a frequency not below from_hz");
    if (count < 1 || count > 1000000)
        throw py::value_error("count must be a number of frequencies from 1 to 1000000");
    if (!progress.is_none() && !PyCallable_Check(progress.ptr()))
        throw py::type_error("progress must be callable or None");
    const std::vector<double> hz = fem::LinearFrequencies(fromHz, toHz, count);

    const fem::Model model = script.model;
    AnalysisBridge callbacks(std::move(progress), count);
    fem::FrequencyResponse result;
    {
        py::gil_scoped_release release;
        result = fem::SolveFrequencyResponse(model, node, hz, &callbacks);
    }
    callbacks.Rethrow();
    RaiseUnlessComplete(result.Result, "frequency response");

    const auto points = static_cast<py::ssize_t>(result.Points.size());
    ScriptFrequencyResponse out;
    out.node = node;
    out.frequencies = py::array_t<double>(points);
    out.response = py::array_t<std::complex<double>>({points, py::ssize_t{6}});
    out.resonance = py::array_t<bool>(points);
    auto response = out.response.mutable_unchecked<2>();
    const double nan = std::nan("");
    for (py::ssize_t k = 0; k < points; ++k) {
        const fem::FrequencyPoint& p = result.Points[k];
        out.frequencies.mutable_at(k) = p.Hz;
        out.resonance.mutable_at(k) = p.Resonance;
        for (py::ssize_t j = 0; j < 6; ++j)
            response(k, j) = p.Resonance ? std::complex<double>(nan, nan)
                                         : std::complex<double>(p.Response[j].re, p.Response[j].im);
    }
    return out;
}

}  // namespace

void BindAnalysis(py::module_& m) {
    py::class_<ScriptAnalysis>(
        m, "AnalysisResult",
        "The impact and static solution of a model, as analyse() returned it. It holds\n"
        "the engine's immutable solutions: histories may be asked for at any time and\n"
        "from several threads at once (they are computed without the GIL).\n"
        "\n"
        "Histories are NumPy arrays with one row per time of `time` (Nw rows) and one\n"
        "column per component: nodes ux, uy, uz, rx, ry, rz (mm, rad); elements fx1, fy1,\n"
        "fz1, mx1, my1, mz1, fx2, ..., mz2 (kgf, kgf mm), the first node's values negated\n"
        "in element axes (internal forces). Each call computes a new array of its own.")
        .def_property_readonly(
            "time",
            [](const ScriptAnalysis& a) {
                const int nw = a.Settings().Nw;
                const double te = a.Settings().Te;
                py::array_t<double> t(nw);
                for (int j = 0; j < nw; ++j) t.mutable_at(j) = j * te / nw;
                return t;
            },
            "The times t_j = j Te / Nw, j = 0 .. Nw - 1, s.")
        .def_property_readonly(
            "nw", [](const ScriptAnalysis& a) { return a.Settings().Nw; }, "Number of time points.")
        .def_property_readonly(
            "te", [](const ScriptAnalysis& a) { return a.Settings().Te; }, "Time span Te, s.")
        .def_property_readonly(
            "gamma_te", [](const ScriptAnalysis& a) { return a.Settings().GammaTe; },
            "gamma Te of the transform points.")
        .def_property_readonly(
            "rise", [](const ScriptAnalysis& a) { return a.Settings().Tau * a.Settings().Te; },
            "The load rise time, s.")
        .def_property_readonly(
            "correct_aliasing",
            [](const ScriptAnalysis& a) { return a.Settings().CorrectAliasing; },
            "Whether the second line of transform points was solved (corrected histories\n"
            "and their estimated error).")
        .def_property_readonly(
            "node_count", [](const ScriptAnalysis& a) { return a.Structure().NodeCount(); },
            "Nodes of the structure analysed.")
        .def_property_readonly(
            "element_count", [](const ScriptAnalysis& a) { return a.Structure().ElementCount(); },
            "Elements of the structure analysed.")
        .def(
            "node_history",
            [](const ScriptAnalysis& a, int node, const std::string& quantity, bool relative,
               std::optional<bool> corrected) {
                return NodeHistory(a, node, QuantityOf(quantity), FrameOf(relative),
                                   PartOf(a, corrected));
            },
            py::arg("node"), py::arg("quantity") = "displacement", py::arg("relative") = false,
            py::arg("corrected") = py::none(),
            "Time histories of the node's six components, Nw x 6: with quantity\n"
            "'displacement' ux, uy, uz (mm), rx, ry, rz (rad); 'velocity' in mm/s and\n"
            "rad/s; 'acceleration' in mm/s^2 and rad/s^2. relative=True takes the ground's\n"
            "motion (if the model has one) from the translations, as impactframe-cli\n"
            "--relative. corrected: None gives the corrected histories when the analysis\n"
            "corrected aliasing, else the uncorrected ones; True or False asks for one of\n"
            "them. Raises IndexError for a node the structure does not have and ValueError\n"
            "for another quantity.")
        .def(
            "node_history_error",
            [](const ScriptAnalysis& a, int node, const std::string& quantity, bool relative) {
                return NodeHistory(a, node, QuantityOf(quantity), FrameOf(relative), ErrorPart(a));
            },
            py::arg("node"), py::arg("quantity") = "displacement", py::arg("relative") = false,
            "The estimated aliasing error of the uncorrected node histories (uncorrected =\n"
            "corrected + error) of the quantity, Nw x 6; needs correct_aliasing=True.")
        .def(
            "element_forces",
            [](const ScriptAnalysis& a, int element, const std::string& axes,
               std::optional<bool> corrected) {
                return ElementHistory(a, element, AxesOf(axes), PartOf(a, corrected));
            },
            py::arg("element"), py::arg("axes") = "element", py::arg("corrected") = py::none(),
            "Time histories of the element's twelve end forces: Nw x 12, in element axes\n"
            "(the first node's six negated: internal forces) or with axes='global' in\n"
            "global axes (K u). corrected as for node_history.")
        .def(
            "element_forces_error",
            [](const ScriptAnalysis& a, int element, const std::string& axes) {
                return ElementHistory(a, element, AxesOf(axes), ErrorPart(a));
            },
            py::arg("element"), py::arg("axes") = "element",
            "The estimated aliasing error of the uncorrected end-force histories, Nw x 12;\n"
            "needs correct_aliasing=True.")
        .def(
            "impact_force",
            [](const ScriptAnalysis& a, std::optional<bool> corrected) {
                return ImpactHistory(a, PartOf(a, corrected));
            },
            py::arg("corrected") = py::none(),
            "Time histories of the force the dropped weight exerts on the node it strikes:\n"
            "Nw x 3 (fx, fy, fz, kgf, global axes), -m a of the attached weight with the\n"
            "impulse of the strike taken out. corrected as for node_history. Raises\n"
            "ValueError when the structure has no dropped weight.")
        .def_property_readonly(
            "static_spring_forces",
            [](const ScriptAnalysis& a) {
                const auto& f = a.statics->SpringForce;
                return ReadOnlyRows(a.statics, f.empty() ? nullptr : f[0].data(), f.size(), 6,
                                    sizeof(f[0]));
            },
            "Static forces k u in the springs to the ground of every node: nodes x 6 (kgf,\n"
            "kgf mm), 0 where there is no spring; the reaction of a spring support is their\n"
            "negative. A read-only view of the solution.")
        .def_property_readonly(
            "static_displacements",
            [](const ScriptAnalysis& a) {
                const auto& disp = a.statics->NodeDisp;
                return ReadOnlyRows(a.statics, disp.empty() ? nullptr : disp[0].data(), disp.size(),
                                    6, sizeof(disp[0]));
            },
            "Static displacements ux, uy, uz, rx, ry, rz of every node: nodes x 6 (mm,\n"
            "rad), a read-only view of the solution.")
        .def(
            "static_element_forces",
            [](const ScriptAnalysis& a, const std::string& axes) {
                const auto& elements = a.statics->Elements;
                const bool global = AxesOf(axes) == fem::ForceAxes::Global;
                const double* first = nullptr;
                if (!elements.empty())
                    first = global ? elements[0].EndForceGlobal.data()
                                   : elements[0].EndForceLocal.data();
                return ReadOnlyRows(a.statics, first, elements.size(), 12,
                                    sizeof(fem::StaticElementResult));
            },
            py::arg("axes") = "element",
            "Static end forces of every element: elements x 12 (kgf, kgf mm), in element\n"
            "axes with the first node's six negated (internal forces), or with\n"
            "axes='global' in global axes (K u). A read-only view of the solution.");

    m.def("analyse", &Analyse, py::arg("model"), py::kw_only(), py::arg("nw") = 512,
          py::arg("gamma_te") = 5.0, py::arg("te") = py::none(), py::arg("rise") = 0.0,
          py::arg("correct_aliasing") = false, py::arg("timoshenko") = false,
          py::arg("threads") = 0, py::arg("progress") = py::none(),
          "Runs the impact analysis (the response to the model's 'pf' step loads, exact in\n"
          "the Laplace domain) and then the static analysis, as impactframe-cli analyse\n"
          "does, and returns an AnalysisResult.\n"
          "\n"
          "nw: time points, a power of two from 4 to 16384.\n"
          "gamma_te: gamma Te of the transform points.\n"
          "te: time span Te in s; None takes model.time_span (a sample's), else 0.001.\n"
          "rise: rise time in s, 0 .. te / 10, of the 'pf' loads without a load history\n"
          "    (they rise as 1 - e^(-t / rise) after te / 10; impactframe-cli's --tau is\n"
          "    rise / te). Loads with a history follow it (Model.set_history).\n"
          "correct_aliasing: also solve a second line of transform points (twice the\n"
          "    time), for histories corrected for aliasing and their estimated error.\n"
          "timoshenko: every member with a shear area bends as a Timoshenko member\n"
          "    (impactframe-cli's --timoshenko); the model itself is left as it is.\n"
          "threads: worker threads, 0 for one per processor core.\n"
          "progress: None or a callable receiving the finished fraction (0 .. 1), called\n"
          "    on this thread; an exception it raises stops the run and propagates.\n"
          "\n"
          "The GIL is released while the engine runs. Ctrl+C stops the run and raises\n"
          "KeyboardInterrupt. Raises ValueError for settings that cannot be used and\n"
          "impactframe.AnalysisError when a solution fails (e.g. a singular matrix).");

    py::class_<ScriptModes>(m, "ModeResult",
                            "Natural frequencies and mode shapes, as modes() returned them.")
        .def_readonly("frequencies", &ScriptModes::frequencies,
                      "Natural frequencies in Hz, lowest first (0 for a mechanism).")
        .def_readonly("shapes", &ScriptModes::shapes,
                      "Mode shapes, modes x nodes x 6 (ux, uy, uz, rx, ry, rz), each scaled to\n"
                      "a largest component of +1; all 0 for a mode in which only bars between\n"
                      "nodes at rest vibrate. None when modes() was asked for no shapes.")
        .def_readonly("evaluations", &ScriptModes::evaluations,
                      "Factorisations of the dynamic stiffness the search needed.")
        .def("__len__", [](const ScriptModes& r) { return r.frequencies.size(); });

    m.def("modes", &Modes, py::arg("model"), py::kw_only(), py::arg("count") = py::none(),
          py::arg("below_hz") = py::none(), py::arg("shapes") = true, py::arg("timoshenko") = false,
          py::arg("threads") = 0, py::arg("progress") = py::none(),
          "Natural frequencies and mode shapes of the model, exact for bars with\n"
          "distributed mass (one element per bar), as impactframe-cli modes finds them;\n"
          "returns a ModeResult. 'u' dofs are fixed, 'p' and 'pf' free; loads play no part.\n"
          "\n"
          "count: the lowest `count` frequencies; None: 10, or no limit with below_hz.\n"
          "below_hz: only the frequencies below this (Hz); with count, the smaller set.\n"
          "shapes: also the mode shapes.\n"
          "timoshenko: every member with a shear area bends as a Timoshenko member\n"
          "    (impactframe-cli's --timoshenko); the model itself is left as it is.\n"
          "threads: worker threads, 0 for one per processor core.\n"
          "progress: None or a callable receiving the share of the frequencies found.\n"
          "\n"
          "The GIL is released while the engine runs; Ctrl+C raises KeyboardInterrupt.\n"
          "Raises impactframe.AnalysisError when the search fails.");

    py::class_<ScriptFrequencyResponse>(
        m, "FrequencyResponse", "The steady-state response of a node, as frf() returned it.")
        .def_readonly("node", &ScriptFrequencyResponse::node, "The node (from 0).")
        .def_readonly("frequencies", &ScriptFrequencyResponse::frequencies,
                      "The frequencies in Hz, evenly spaced, both ends included.")
        .def_readonly("response", &ScriptFrequencyResponse::response,
                      "The complex amplitudes of ux, uy, uz (mm), rx, ry, rz (rad) at each\n"
                      "frequency: frequencies x 6 (0 for a fixed dof; real up to rounding\n"
                      "for an undamped structure; NaN at an undamped resonance).")
        .def_readonly("resonance", &ScriptFrequencyResponse::resonance,
                      "True at a frequency that hits an undamped resonance exactly, whose\n"
                      "response is not a number (impactframe-cli leaves its row out).")
        .def("__len__", [](const ScriptFrequencyResponse& r) { return r.frequencies.size(); });

    m.def("frf", &FrequencyResponse, py::arg("model"), py::arg("node"), py::kw_only(),
          py::arg("to_hz"), py::arg("from_hz") = 0.0, py::arg("count") = 201,
          py::arg("progress") = py::none(),
          "The steady-state response of `node` to harmonic loads, as impactframe-cli frf:\n"
          "every 'pf' dof loaded by its value times e^(i omega t), evaluated exactly at\n"
          "s = i omega with the members' distributed mass; returns a FrequencyResponse.\n"
          "Load histories and the ground motion play no part. At 0 Hz it is the static\n"
          "response to the 'pf' values.\n"
          "\n"
          "to_hz: the last frequency (Hz).\n"
          "from_hz: the first frequency (Hz).\n"
          "count: frequencies evenly spaced from from_hz to to_hz, both included.\n"
          "progress: None or a callable receiving the share of the frequencies done.\n"
          "\n"
          "The GIL is released while the engine runs; Ctrl+C raises KeyboardInterrupt.\n"
          "Raises IndexError for a node the model does not have, ValueError for\n"
          "frequencies that cannot be used and impactframe.AnalysisError when the\n"
          "structure cannot be solved.");
}

}  // namespace pyframe
