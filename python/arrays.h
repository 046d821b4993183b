#pragma once
// NumPy arrays over the engine's memory, without copies: an array's base is a capsule that
// owns what the array shows (a moved matrix, or a share of an immutable solution).
#include <pybind11/numpy.h>

#include <array>
#include <memory>
#include <vector>

#include "analysis/statics.h"
#include "numeric/matrix.h"

namespace pyframe {

// The histories of a matrix of rows = components, columns = times as an array of
// rows = times, columns = components (a transposed view of the moved matrix).
pybind11::array_t<double> TimeByComponent(numeric::RealMatrix&& histories);

// Rows of `columns` doubles inside the records of a solution: `count` rows starting at
// first, `stride` bytes apart. Read only; the array keeps the solution alive.
pybind11::array_t<double> ReadOnlyRows(std::shared_ptr<const void> owner, const double* first,
                                       size_t count, size_t columns, size_t stride);

}  // namespace pyframe
