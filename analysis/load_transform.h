#pragma once
// The Laplace transforms of the load histories (model/load_history.h), exact and in
// closed form, for any s with Re s >= 0 (s = i omega included). A piecewise-linear table
// is the sum of its segments, each integrated exactly; the differences of exponentials
// that would cancel for a short segment or a small s are evaluated by series.
#include "model/load_history.h"
#include "numeric/complex.h"

namespace fem {

// The transform of the history started at t = delay (s): e^(-s delay) F(s). Raises
// numeric::ComputationFailure for s = 0 where the history does not end (a step, a table
// whose last value is not 0) and for a history that cannot be used.
[[nodiscard]] numeric::Complex HistoryTransform(const LoadHistory& history, numeric::Complex s,
                                                double delay);

}  // namespace fem
