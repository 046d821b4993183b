#include "analysis/sparse_lu.h"

#include <algorithm>

namespace Eigen::internal {
namespace {

// Eigen's growth rule (the requested length the first time or when the old values must
// stay where they are, else half as much again), into a new vector.
template <typename VectorType>
Index GrowKeepingValues(VectorType& vec, Index& length, Index nbElts, Index keep_prev,
                        Index& num_expansions) {
    const float alpha = 1.5f;
    const Index newLength =
        (num_expansions == 0 || keep_prev) ? length : (std::max)(length + 1, Index(alpha * length));
    if (vec.size() != newLength) {
        VectorType grown(newLength);  // may throw std::bad_alloc; vec is still whole
        if (nbElts > 0) grown.head(nbElts) = vec.head(nbElts);
        vec.swap(grown);
    }
    length = newLength;
    if (num_expansions) ++num_expansions;
    return 0;
}

}  // namespace

template <>
template <>
Index SparseLUImpl<double, int>::expand<Matrix<double, Dynamic, 1>>(Matrix<double, Dynamic, 1>& vec,
                                                                    Index& length, Index nbElts,
                                                                    Index keep_prev,
                                                                    Index& num_expansions) {
    return GrowKeepingValues(vec, length, nbElts, keep_prev, num_expansions);
}
template <>
template <>
Index SparseLUImpl<double, int>::expand<Matrix<int, Dynamic, 1>>(Matrix<int, Dynamic, 1>& vec,
                                                                 Index& length, Index nbElts,
                                                                 Index keep_prev,
                                                                 Index& num_expansions) {
    return GrowKeepingValues(vec, length, nbElts, keep_prev, num_expansions);
}
template <>
template <>
Index SparseLUImpl<std::complex<double>, int>::expand<Matrix<std::complex<double>, Dynamic, 1>>(
    Matrix<std::complex<double>, Dynamic, 1>& vec, Index& length, Index nbElts, Index keep_prev,
    Index& num_expansions) {
    return GrowKeepingValues(vec, length, nbElts, keep_prev, num_expansions);
}
template <>
template <>
Index SparseLUImpl<std::complex<double>, int>::expand<Matrix<int, Dynamic, 1>>(
    Matrix<int, Dynamic, 1>& vec, Index& length, Index nbElts, Index keep_prev,
    Index& num_expansions) {
    return GrowKeepingValues(vec, length, nbElts, keep_prev, num_expansions);
}

}  // namespace Eigen::internal
