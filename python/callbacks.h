#pragma once
// How a run of the engine talks to Python. The engine runs with the GIL released and calls
// Yield() and Progress() on the thread that started it; there the callbacks take the GIL
// for a moment to look for Ctrl+C (PyErr_CheckSignals) and to call the script's progress
// callable with the finished fraction. A KeyboardInterrupt, or any exception the progress
// callable raises, is kept and stops the run; Rethrow() raises it once the engine has
// returned and the GIL is held again.
#include <pybind11/pybind11.h>

#include <memory>

#include "analysis/modes.h"
#include "analysis/run_control.h"

namespace pyframe {

class PythonBridge {
  public:
    // progress: a callable taking the finished fraction 0 .. 1, or None.
    explicit PythonBridge(pybind11::object progress);
    ~PythonBridge();
    PythonBridge(const PythonBridge&) = delete;
    PythonBridge& operator=(const PythonBridge&) = delete;

    // Without the GIL, on the engine's calling thread: looks for signals and, when
    // fraction is not negative, reports it; asks control to stop after an exception.
    void Report(fem::RunControl& control, double fraction);
    // With the GIL held, after the run: raises the exception that stopped it, if any.
    void Rethrow();

  private:
    pybind11::object progress_;
    std::unique_ptr<pybind11::error_already_set> kept_;
};

// Callbacks of the impact and static analysis: Progress(k) reports (k + 1) / points.
class AnalysisBridge : public fem::AnalysisCallbacks {
  public:
    AnalysisBridge(pybind11::object progress, int points)
        : bridge_(std::move(progress)), points_(points) {}
    void Yield() override { bridge_.Report(*this, -1.0); }
    void Progress(int k) override { bridge_.Report(*this, (k + 1.0) / points_); }
    void Rethrow() { bridge_.Rethrow(); }

  private:
    PythonBridge bridge_;
    int points_;
};

// Callbacks of the frequency search: the share of the frequencies found once their
// number is known, 0 before.
class ModeBridge : public fem::ModeCallbacks {
  public:
    explicit ModeBridge(pybind11::object progress) : bridge_(std::move(progress)) {}
    void Yield() override { bridge_.Report(*this, -1.0); }
    void Progress(const fem::ModeProgress& p) override {
        bridge_.Report(*this, p.Wanted > 0 ? static_cast<double>(p.Found) / p.Wanted : 0.0);
    }
    void Rethrow() { bridge_.Rethrow(); }

  private:
    PythonBridge bridge_;
};

}  // namespace pyframe
