#pragma once
// Eigen's SparseLU, with a growth of the factors' storage that survives a failed
// allocation.
//
// Eigen 3.4 grows that storage by resizing a vector in place: the old buffer is freed
// first, and when the new allocation fails the vector keeps the freed pointer, which is
// freed a second time later (a crash wherever a memory limit applies). Here the storage
// grows into a new vector first: a failed allocation leaves the factors as they were and
// raises std::bad_alloc, which the solutions report as lack of memory. The sizes chosen
// and the values kept are Eigen's, so the factors are the same to the last bit.
//
// Include this header instead of <Eigen/SparseLU> wherever SparseLU is used, so that
// every use sees the same growth.
#include <Eigen/SparseLU>
#include <complex>

namespace Eigen::internal {

template <>
template <>
Index SparseLUImpl<double, int>::expand<Matrix<double, Dynamic, 1>>(Matrix<double, Dynamic, 1>& vec,
                                                                    Index& length, Index nbElts,
                                                                    Index keep_prev,
                                                                    Index& num_expansions);
template <>
template <>
Index SparseLUImpl<double, int>::expand<Matrix<int, Dynamic, 1>>(Matrix<int, Dynamic, 1>& vec,
                                                                 Index& length, Index nbElts,
                                                                 Index keep_prev,
                                                                 Index& num_expansions);
template <>
template <>
Index SparseLUImpl<std::complex<double>, int>::expand<Matrix<std::complex<double>, Dynamic, 1>>(
    Matrix<std::complex<double>, Dynamic, 1>& vec, Index& length, Index nbElts, Index keep_prev,
    Index& num_expansions);
template <>
template <>
Index SparseLUImpl<std::complex<double>, int>::expand<Matrix<int, Dynamic, 1>>(
    Matrix<int, Dynamic, 1>& vec, Index& length, Index nbElts, Index keep_prev,
    Index& num_expansions);

}  // namespace Eigen::internal
