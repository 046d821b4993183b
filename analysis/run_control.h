#pragma once
// How a long computation of the engine reports progress and learns that it should stop.
// The computation calls Yield() and Progress() on the thread that called it, never on a
// worker thread, so a caller on the user-interface thread may touch its widgets there; a
// caller that runs the engine on a thread of its own must make them thread-safe towards
// its other threads. RequestStop() may be called from any thread at any time; the
// computation reads the request between its steps (transform points, factorisations).
#include <atomic>

#include "numeric/yield.h"

namespace fem {

class RunControl : public numeric::YieldHook {
  public:
    // At least every few milliseconds while a computation runs, for a caller that keeps
    // an event loop alive. Must be cheap when there is nothing to do.
    void Yield() override {}
    // Asks the computation to stop; it ends after the step in hand. From any thread.
    void RequestStop() noexcept { stop_.store(true, std::memory_order_relaxed); }
    [[nodiscard]] bool StopRequested() const noexcept {
        return stop_.load(std::memory_order_relaxed);
    }

  private:
    std::atomic<bool> stop_{false};
};

// Progress of the impact solution and of the history inversions: Progress(k) says that the
// steps 0 .. k are finished; k counts up by one from 0, never skipping (in the impact
// solution the transform points of the first line, then those of the second). A stop
// requested inside Progress(k) keeps exactly the points 0 .. k.
class AnalysisCallbacks : public RunControl {
  public:
    virtual void Progress(int /*k*/) {}
};

// True when control is not null and a stop was requested.
inline bool StopRequested(const RunControl* control) {
    return control != nullptr && control->StopRequested();
}

}  // namespace fem
